#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;

// The printers the print dialog may use: the platform's list and the making
// of a printer for a name. The platform's own is used unless another is
// installed (a test or a bench stands in for a printer this way).
class ZPrinters
{
public:
    virtual ~ZPrinters();

    // Names of the installed printers; empty when there is none.
    virtual QStringList printerNames() const;
    // The default printer's name; empty when there is none.
    virtual QString defaultPrinterName() const;
    // A high-resolution printer for a name of printerNames(); null when it
    // cannot be made.
    virtual std::unique_ptr<QPrinter> createPrinter(const QString &name) const;

    // The installed printers, or the platform's when none is installed.
    static ZPrinters *instance();
    // Installs printers (not owned; nullptr returns to the platform's).
    static void install(ZPrinters *printers);
};
