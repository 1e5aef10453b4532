#include "zprinters.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

ZPrinters *g_installed = nullptr; // Not owned.

} // namespace

ZPrinters::~ZPrinters() = default;

QStringList ZPrinters::printerNames() const
{
    return QPrinterInfo::availablePrinterNames();
}

QString ZPrinters::defaultPrinterName() const
{
    return QPrinterInfo::defaultPrinterName();
}

std::unique_ptr<QPrinter> ZPrinters::createPrinter(const QString &name) const
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPrinterName(name);
    return printer;
}

ZPrinters *ZPrinters::instance()
{
    static ZPrinters platform;
    return g_installed ? g_installed : &platform;
}

void ZPrinters::install(ZPrinters *printers)
{
    g_installed = printers;
}
