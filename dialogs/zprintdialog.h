#pragma once

#include <QDialog>
#include <QPrinter>

#include <functional>
#include <memory>

class ZImage;
class ZPrintPreviewScene;

namespace Ui {
class ZPrintDialog;
}

// Previews a tiled picture of the table and chart on pages of a chosen size
// and orientation, with a content scale, repeated headers and page numbers,
// and prints it straight to a printer of the list (no system print dialog).
// With no printer installed, the list offers printing to a PDF file instead.
// Keeps a reference to the caller's image, which must outlive the dialog.
class ZPrintDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ZPrintDialog(const ZImage &image, QWidget *parent = nullptr);
    ~ZPrintDialog() override;

    void init();
    void loadPrinters();
    void loadPageSizes();
    void setWindowSize();
    // The chosen paper in millimetres, turned for landscape.
    QSize selectedSize() const;
    QPrinter::Orientation selectedOrient() const;
    void setPageSize();

    // True when the printer list holds the PDF file entry (no printer).
    bool printsToPdfFile() const;
    ZPrintPreviewScene *scene() const { return m_scene; }

signals:
    // A print has ended with its pages handed to the target: a file path
    // or a printer's name.
    void printed(int pages, const QString &target);
    // The user stopped a print under way; nothing of it is kept in a file.
    // A printer's queue that could not be aborted has the sheets handed to
    // it (0 when none): sent of pages, to the target.
    void printCanceled(int sent, int pages, const QString &target);

public slots:
    void resetScale();
    void setScale(int percent);
    void setScale();
    void setSpinboxScale();
    void updatePage();
    void print();

private:
    // print() without the room check.
    void printPages();
    // reason: the system's, when known.
    void reportFailure(const QString &target, const QString &reason = QString());
    // Ends the dialog with nothing left to paint, then says memory is short.
    void reportNoMemory();
    // Lays the pages out again for a change the user made: memory running
    // out in it must not unwind through Qt's signal, so it ends the dialog
    // with the message. Before the dialog shows, the caller that makes it
    // is told by the exception.
    void relayout(const std::function<void()> &change);

    // Freed also when memory runs out in the constructor.
    std::unique_ptr<Ui::ZPrintDialog> m_ui;
    ZPrintPreviewScene *m_scene; // Not owned (child).
};
