// libFuzzer target for the MPP import: the input is written to a file and
// read with Project::read as an MPP file (its compound-file structure, the
// CompObj stream, the choice of generation); the same bytes then describe
// tasks, parents and links that are added to the model by hand, and the
// loader's six tables are built from it.

#include "mppr9field.h"
#include "mpprtask.h"
#include "msprojectloader.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

QString inputPath()
{
    // In the working folder, which the fuzz script makes and removes.
    static const QString path = QDir::current().filePath(
        QStringLiteral("mpp_fuzz_%1.mpp").arg(QCoreApplication::applicationPid()));
    return path;
}

// Ten bytes per task: unique id, id, parent (16 bits each), flags, a link
// target (16 bits) and a link type.
void addTasks(mpmod::MSProjectLoader &loader, const uint8_t *data, size_t size)
{
    for (size_t off = 0; off + 10 <= size && off < 10 * 4000; off += 10) {
        const uint8_t *p = data + off;
        mppr::Task t;
        t.uniqueId = qFromLittleEndian<quint16>(p);
        t.id = qFromLittleEndian<quint16>(p + 2);
        t.parentUniqueId = qFromLittleEndian<quint16>(p + 4);
        const uint8_t flags = p[6];
        t.excluded[0] = flags & 1;
        t.milestone = flags & 2;
        t.totalSlack = qint32(qFromLittleEndian<quint32>(p));
        t.freeSlack = ~t.totalSlack;
        if (flags & 4)
            t.wbs = QStringLiteral("W");
        if (flags & 8)
            t.text[flags >> 4] = QStringLiteral("x");
        if (flags & 16)
            t.starts[flags % 10] = mppr::Project::NULL_DATE.addDays(flags);
        t.addPredecessor(qFromLittleEndian<quint16>(p + 7), qint32(flags) - 128, 7, p[9]);
        loader.addTask(t);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = inputPath();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    mpmod::MSProjectLoader loader(path);
    loader.read();
    addTasks(loader, data, size);
    const int rows = loader.activitiesData().size() + loader.wbsData().size()
        + loader.predecessorsData().size() + loader.codeTypesData().size()
        + loader.codesData().size() + loader.codeTasksData().size();
    (void)rows;
    // The field map parser takes any bytes.
    mppr9::Field::parseFieldMap(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}
