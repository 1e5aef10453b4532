// libFuzzer target: the bytes are an XER file, read through the real loader
// (reader, containers, every derived model); then every cell of every model
// is read.

#include "fuzzinput.h"
#include "modelwalk.h"
#include "modelhelpers.h"
#include "projectloader.h"
#include "xerloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

QCoreApplication *app = nullptr;
QTemporaryDir *dir = nullptr;
QJsonDocument *schema = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    app = new QCoreApplication(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    dir = new QTemporaryDir;
    schema = new QJsonDocument(QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = dir->filePath(QStringLiteral("input.xer"));
    if (!writeFuzzInput(path, data, size))
        return 0;
    auto loader = std::make_unique<XERLoader>(path, *schema);
    loader->read();
    for (const QString &name : loader->modelNames())
        xertest::walkModel(loader->model(name), {Qt::DisplayRole, Qt::UserRole, Qt::UserRole + 1});
    loader->loadReport();
    for (const QVariant &row : loader->layoutRows())
        row.toMap();
    return 0;
}
