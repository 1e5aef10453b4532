#pragma once

#include <QDialog>
#include <QImage>

#include <memory>

class ZImage;
class ZSnipGraphicsScene;

namespace Ui {
class ZSnipDialog;
}

// The largest side, in pixels, of a cropped image; larger crops are scaled
// down to it.
extern const int MAXIMUM_IMAGE_SIZE;

// Shows the chart picture between two movable crop lines, zooms the view,
// and hands the cropped picture over as a PNG file or a clipboard image.
// The picture stays in tiles, drawn by one item a column; only the crop
// becomes one image. The dialog keeps a reference to the caller's image,
// which must outlive it, and never changes it.
class ZSnipDialog : public QDialog
{
    Q_OBJECT
public:
    static const double SCALE_FACTOR;

    explicit ZSnipDialog(const ZImage &image, QWidget *parent = nullptr);
    ~ZSnipDialog() override;

    void init();
    // Places the picture's tiles, cut to the pixel columns [from, to) (the
    // whole width when to is 0), into the scene at a scale, then the lines.
    void addContent(ZSnipGraphicsScene *scene, float scale, int from, int to);
    // The picture between the crop lines; a null image when nothing lies
    // between them or when it is too large to be made.
    QImage getCroppedImage();
    // Bytes the crop takes, as one image and copied once, with its scene.
    qint64 cropRoom() const;
    // False when the lines stand together away from the left edge.
    bool hasSelection() const;
    // Whether rows rowHeight pixels high stay at least a pixel high in a
    // picture whose larger side is largestSide pixels, once it is scaled
    // down to MAXIMUM_IMAGE_SIZE: below that they cannot be told apart.
    static bool rowsApart(int rowHeight, qint64 largestSide);
    // Why a chart that tall makes no picture, and what helps.
    static QString tooTallText();

    ZSnipGraphicsScene *scene() const { return m_scene; }

public slots:
    void zoomInClicked();
    void zoomOutClicked();
    void saveToPngClicked();
    void saveToClipboardClicked();
    void setSplitCursor(bool split);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // The crop's left edge and width in picture pixels, and the factor that
    // keeps its larger side within MAXIMUM_IMAGE_SIZE. Both lines at the
    // left edge stand for the whole picture.
    struct CropSpan
    {
        int left = 0;
        int width = 0;
        float factor = 1.0f;
    };
    CropSpan cropSpan() const;
    // The crop, or null after telling the user it could not be made.
    QImage croppedImageOrWarn();
    void warn(const QString &text);
    void inform(const QString &text);

    // Freed also when memory runs out in the constructor.
    std::unique_ptr<Ui::ZSnipDialog> m_ui;
    ZSnipGraphicsScene *m_scene; // Not owned (child).
    const ZImage &m_image;
};
