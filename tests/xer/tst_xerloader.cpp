#include "fieldroles.h"
#include "columnreader.h"
#include "memoryroom.h"
#include "modelhelpers.h"
#include "parallel.h"
#include "proxytesthelpers.h"
#include "readheappadding.h"
#include "threadhandoff.h"
#include "xerloader.h"
#include "xertestfiles.h"
#include "zindex.h"
#include "zjoinproxymodel.h"

#include <QAbstractItemModelTester>
#include <QCryptographicHash>
#include <QStringListModel>
#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QThreadPool>
#include <QtConcurrent>
#include <QtTest>

#include <dlfcn.h>
#include <execinfo.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <thread>

using namespace xertest;

// Memory running out, injected: from the call numbered failAt on, the first
// allocation fails, or every one. Through malloc, so AddressSanitizer still
// checks every block; Qt's containers allocate with malloc, uncounted.
#if !defined(__SANITIZE_ADDRESS__)
extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_realloc(void *block, size_t size);
#endif

namespace allocations {
std::atomic<qint64> calls{0}, live{0}, failAt{-1};
std::atomic<bool> failEvery{false}, failedInGui{false};
// Off: a connection's bookkeeping fails too (leaks of Qt's aside).
std::atomic<bool> spareConnections{true};
// malloc and realloc (Qt's containers) fail instead of operator new, from
// mallocFailAt on: only where the program owns them (not under
// AddressSanitizer, whose interceptors do).
std::atomic<qint64> mallocCalls{0}, mallocFailAt{-1};

// Qt 5 leaks on some failures of its own: connect() leaks the slot object
// it was given, and its GUI library, built without exceptions, what its
// frames hold. Those failures move on to a later allocation (the second
// only where leaks are checked).
bool callerNamed(void *caller, const char *part)
{
    Dl_info info;
    return dladdr(caller, &info) && info.dli_sname && std::strstr(info.dli_sname, part);
}

// A queued call whose event fails half-made (its arguments are copied into
// it) is lost with what it holds too.
bool inConnect(void *caller)
{
    return callerNamed(caller, "QMetaCallEvent")
           || (callerNamed(caller, "QMetaType") && callerNamed(caller, "create"))
           || (callerNamed(caller, "QObjectPrivate")
               && (callerNamed(caller, "connectImpl") || callerNamed(caller, "addConnection")));
}

bool inGui()
{
    void *frames[128];
    const int count = backtrace(frames, 128);
    Dl_info info;
    for (int i = 0; i < count; ++i) {
        if (dladdr(frames[i], &info) && info.dli_fname && std::strstr(info.dli_fname, "libQt5Gui"))
            return true;
    }
    return false;
}

bool spared(void *caller)
{
    if (spareConnections.load() && inConnect(caller))
        return true;
#if defined(__SANITIZE_ADDRESS__)
    return inGui();
#else
    if (inGui())
        failedInGui.store(true);
    return false;
#endif
}

// The thread that waits for a read in a process of its own neither fails
// nor counts: what it meets is not the read's.
thread_local bool t_waiting = false;

#if !defined(__SANITIZE_ADDRESS__)
thread_local bool t_inHook = false;

// Whether this malloc or realloc fails. Qt's GUI library, built without
// exceptions, reads a failed block as a valid one, and a connection's
// bookkeeping keeps half a connection: their calls are spared.
bool mallocFails(size_t size, void *caller)
{
    if (t_inHook || t_waiting || size == 0)
        return false;
    const qint64 call = mallocCalls.fetch_add(1);
    qint64 at = mallocFailAt.load();
    if (at < 0 || call < at)
        return false;
    t_inHook = true;
    const bool gui = inGui();
    t_inHook = false;
    return !gui && !callerNamed(caller, "QObjectPrivate") && !inConnect(caller)
           && (failEvery.load() || mallocFailAt.compare_exchange_strong(at, -1));
}
#endif

void *allocate(std::size_t size, void *caller)
{
    if (!t_waiting) {
        const qint64 call = calls.fetch_add(1);
        qint64 at = failAt.load();
        if (at >= 0 && call >= at && !spared(caller) && (failEvery.load() || failAt.compare_exchange_strong(at, -1)))
            throw std::bad_alloc();
    }
#if defined(__SANITIZE_ADDRESS__)
    void *block = std::malloc(size ? size : 1);
#else
    // Through malloc's own entry, as a failure of it where it fails.
    void *block = mallocFails(size, caller) ? nullptr : __libc_malloc(size ? size : 1);
#endif
    if (!block)
        throw std::bad_alloc();
    live.fetch_add(1);
    return block;
}

void *allocateOrNull(std::size_t size, void *caller) noexcept
{
    try {
        return allocate(size, caller);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void release(void *block) noexcept
{
    live.fetch_sub(block ? 1 : 0);
    std::free(block);
}
} // namespace allocations

void *operator new(std::size_t n) { return allocations::allocate(n, __builtin_return_address(0)); }
void *operator new[](std::size_t n) { return allocations::allocate(n, __builtin_return_address(0)); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept
{
    return allocations::allocateOrNull(n, __builtin_return_address(0));
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept
{
    return allocations::allocateOrNull(n, __builtin_return_address(0));
}
#if !defined(__SANITIZE_ADDRESS__)

extern "C" void *malloc(size_t size)
{
    return allocations::mallocFails(size, __builtin_return_address(0)) ? (errno = ENOMEM, nullptr)
                                                                       : __libc_malloc(size);
}
extern "C" void *realloc(void *block, size_t size)
{
    return allocations::mallocFails(size, __builtin_return_address(0)) ? (errno = ENOMEM, nullptr)
                                                                       : __libc_realloc(block, size);
}
#endif

void operator delete(void *p) noexcept { allocations::release(p); }
void operator delete[](void *p) noexcept { allocations::release(p); }
void operator delete(void *p, std::size_t) noexcept { allocations::release(p); }
void operator delete[](void *p, std::size_t) noexcept { allocations::release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { allocations::release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { allocations::release(p); }

namespace {

// A count from /proc/self/status ("Threads") or statm's first field.
qint64 selfCount(const char *file, const QByteArray &key)
{
    QFile status(QString::fromLatin1(file));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Set in a process this test starts for one memory point: "new" or
// "malloc", "once", "on" or "count", and the allocation of the read that
// fails first.
const char *const kPointVariable = "TST_XERLOADER_POINT";

QJsonDocument schema()
{
    return QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
}

// What the receiver of the loader's signals saw, in order.
struct Outcome
{
    QStringList events; // "progress 10 Read project from file", "finished", "failed 1"
    bool done = false;
    std::function<void()> fileRead; // called on the reading thread once the file is read
};

// Loads a file exactly as the main window does: the loader is made here,
// read() runs on the global pool, progress is connected queued and
// finished() automatically.
// room: what the memory probe finds during the read; -1 all there is.
std::unique_ptr<XERLoader> load(const QString &path, Outcome *outcome, qint64 room = -1)
{
    auto loader = std::make_unique<XERLoader>(path, schema());
    memoryroom::setCeiling(room);
    const auto unbound = qScopeGuard([] { memoryroom::setCeiling(-1); });
    if (outcome->fileRead)
        QObject::connect(loader.get(), &ProjectLoader::progress, loader.get(),
                         [outcome](int percent) { if (percent == 10) outcome->fileRead(); }, Qt::DirectConnection);
    auto *receiver = new QObject(loader.get());
    QObject::connect(loader.get(), &ProjectLoader::progress, receiver,
                     [outcome](int percent, const QString &text) {
                         outcome->events << QStringLiteral("progress %1 %2").arg(percent).arg(text);
                     },
                     Qt::QueuedConnection);
    QObject::connect(loader.get(), &ProjectLoader::finished, receiver, [outcome] {
        outcome->events << QStringLiteral("finished");
        outcome->done = true;
    });
    QObject::connect(loader.get(), &ProjectLoader::failed, receiver, [outcome](int code) {
        outcome->events << QStringLiteral("failed %1").arg(code);
        outcome->done = true;
    });
    QFuture<void> future = QtConcurrent::run(QThreadPool::globalInstance(), loader.get(), &XERLoader::read);
    QElapsedTimer guard;
    guard.start();
    while (!outcome->done && guard.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    future.waitForFinished();
    // Anything still queued (a finished() after a failure would be) arrives now.
    QCoreApplication::processEvents();
    return loader;
}

QStringList progressSteps()
{
    return {QStringLiteral("progress 10 Read project from file"),
            QStringLiteral("progress 20 Create Predecessor Model"),
            QStringLiteral("progress 30 Create Resource Model"),
            QStringLiteral("progress 40 Create Codes Model"),
            QStringLiteral("progress 50 Create Task Codes Assignment Model"),
            QStringLiteral("progress 60 Create UDF Assignment Model"),
            QStringLiteral("progress 70 Create Activity Model"),
            QStringLiteral("progress 80 Process data"),
            QStringLiteral("finished")};
}

QStringList allModelNames()
{
    return {QStringLiteral("ACTVCODE"), QStringLiteral("ACTVTYPE"), QStringLiteral("ActivityModel"),
            QStringLiteral("CodeModel"), QStringLiteral("PROJWBS"), QStringLiteral("PredecessorModel"),
            QStringLiteral("RSRC"), QStringLiteral("ResourceModel"), QStringLiteral("TASK"),
            QStringLiteral("TASKACTV"), QStringLiteral("TASKPRED"), QStringLiteral("TASKRSRC"),
            QStringLiteral("UDFTYPE"), QStringLiteral("UDFVALUE"),
            QStringLiteral("taskCodesAssignmentModel"), QStringLiteral("userDefinedAssignmentModel")};
}

// One project with every table the loader reads. Activities are listed out
// of task id order; task 4's record is short.
QByteArray project()
{
    QByteArray x = header();
    x += table("PROJECT", "proj_id\tproj_short_name", {"1\tP"});
    x += table("PROJWBS", "wbs_id\tproj_id\tseq_num\twbs_short_name\twbs_name\tparent_wbs_id",
               {"10\t1\t1\tW1\tCivil\t", "11\t1\t2\tW1.1\tFoundations\t10"});
    // The physical % complete is the first of the shown fields, the others
    // left empty.
    const QByteArray others(taskShownFields().count('\t'), '\t');
    x += table("TASK",
               "task_id\tproj_id\twbs_id\ttask_type\ttask_code\tTASK_NAME\tstatus_code\tcstr_type\tcstr_date\t"
               "act_start_date\tact_end_date\ttarget_start_date\ttarget_end_date\t" + taskShownFields(),
               {"3\t1\t10\tTT_Mile\tA3\tHandover\tTK_NotStart\tCS_MSO\t2024-02-05 08:00\t\t\t"
                "2024-02-01 08:00\t2024-02-03 17:00\t0" + others,
                "1\t1\t11\tTT_Task\tA1\tDig \xC3\xA4\tTK_Active\tCS_MANDSTART\t2024-01-20 08:00\t"
                "2024-01-02 08:00\t\t2024-01-01 08:00\t2024-01-10 17:00\t12.5" + others,
                "2\t1\t11\tTT_LOE\tA2\tSupervise\tTK_Complete\t\t\t2024-01-03 08:00\t\t"
                "2024-01-03 08:00\t2024-01-30 17:00\t100" + others,
                "4\t1\t99\tTT_FinMile\tA4\tEnd\tTK_NotStart\tCS_MEOB\t2024-03-01 17:00\t\t\t"
                "2024-02-20 08:00"});
    x += table("TASKPRED", "task_pred_id\ttask_id\tpred_task_id\tpred_type\tlag_hr_cnt",
               {"1\t2\t1\tPR_FS\t0", "2\t2\t3\tPR_SS\t8", "3\t4\t9\tPR_FF\t-16", "4\t2\t1\tPR_FF\t0"});
    x += table("RSRC", "rsrc_id\trsrc_type\trsrc_short_name\trsrc_name",
               {"50\tRT_Labor\tR1\tCrew", "60\tRT_Equip\tX\tExcavator", "50\tRT_Labor\tR1\tCrew B"});
    const QByteArray noUnits = emptyValues(assignmentShownFields());
    x += table("TASKRSRC", "taskrsrc_id\ttask_id\trsrc_id\ttarget_qty\t" + assignmentShownFields(),
               {"1\t1\t60\t8" + noUnits, "2\t1\t50\t16" + noUnits, "3\t3\t77\t1" + noUnits});
    x += table("ACTVTYPE", "actv_code_type_id\tactv_code_type\tactv_code_type_scope",
               {"200\tPhase\tAS_Project", "100\tArea\tAS_Global"});
    x += table("ACTVCODE", "actv_code_id\tactv_code_type_id\tshort_name\tactv_code_name",
               {"1000\t100\tN\tNorth", "2000\t200\tD\tDesign"});
    x += table("TASKACTV", "task_id\tactv_code_type_id\tactv_code_id\tproj_id",
               {"1\t200\t2000\t1", "1\t100\t1000\t1", "3\t100\t1000\t1", "3\t200\t2999\t1"});
    x += table("UDFTYPE", "udf_type_id\ttable_name\tudf_type_name\tudf_type_label",
               {"302\tTASK\tf3\tDue", "300\tTASK\tf1\tWeight", "301\tPROJWBS\tf2\tOwner"});
    x += table("UDFVALUE", "udf_type_id\tfk_id\tproj_id\tudf_date\tudf_number\tudf_text",
               {"300\t1\t1\t\t12.75\t", "301\t1\t1\t\t\tnot an activity's", "302\t2\t1\t2024-05-06 08:00\t\ttext too"});
    x += table("VIEWPROP", "view_id\tview_name\tview_type\tdata_pos",
               {"7\tMy layout\tVT_Gantt\t(0||ViewSettings)", "8\tOther\tVT_Gantt\t(0||x)"});
    x += "%E\r\n";
    return x;
}

// Row of the model whose column holds the value (display role).
int rowOf(const QAbstractItemModel *model, int column, const QVariant &value)
{
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, column).data() == value)
            return r;
    }
    return -1;
}

QVariant cellOf(const QAbstractItemModel *model, int row, const QString &caption)
{
    return model->index(row, columnIndex(model, caption)).data();
}

// n WBS nodes under one root, one activity in each, each activity but the
// first with up to `links` predecessors.
QByteArray wideWbs(int n, int links = 0)
{
    QList<QByteArray> nodes{"1000\t1\tROOT\tRoot\t"};
    QList<QByteArray> tasks;
    QList<QByteArray> relations;
    for (int i = 0; i < n; ++i) {
        const QByteArray k = QByteArray::number(i);
        for (int p = 1; p <= links && p <= i; ++p)
            relations << QByteArray::number(10000 + i) + "\t" + QByteArray::number(10000 + i - p) + "\tPR_FS";
        nodes << QByteArray::number(2000 + i) + "\t1\tW" + k + "\tPackage " + k + "\t1000";
        tasks << QByteArray::number(10000 + i) + "\t1\t" + QByteArray::number(2000 + i) + "\tA" + k
                         + "\tActivity " + k + "\tTT_Task\t2024-01-02 08:00\t2024-01-05 17:00";
    }
    return header() + table("PROJWBS", "wbs_id\tproj_id\twbs_short_name\twbs_name\tparent_wbs_id", nodes)
           + table("TASK", "task_id\tproj_id\twbs_id\ttask_code\ttask_name\ttask_type\ttarget_start_date\t"
                           "target_end_date", tasks)
           + (links > 0 ? table("TASKPRED", "task_id\tpred_task_id\tpred_type", relations) : QByteArray());
}

QDateTime at(const char *text)
{
    return QDateTime::fromString(QLatin1String(text), QStringLiteral("yyyy-MM-dd HH:mm"));
}

// Every cell of every model a load gives, and its report, as text.
QString loadedText(const XERLoader &loader)
{
    QString text = loader.loadReport() + QString::number(loader.layoutRows().size());
    for (const QString &name : loader.modelNames()) {
        for (int c = 0; c < loader.model(name)->columnCount(); ++c)
            text += QLatin1Char('\n') + name + testhelpers::treeString(loader.model(name), {}, c);
    }
    return text;
}

} // namespace

class tst_XERLoader : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void failures_data();
    void failures();
    void emptyFile();
    void loadsEveryModel();
    void tableModels();
    void derivedModels();
    void pivots();
    void activityModel();
    void modelsLiveOnTheApplicationThread();
    void layoutRows();
    void ownership();
    void tableQuirks_data();
    void tableQuirks();
    void parentLoops_data();
    void parentLoops();
    void garbledLines_data();
    void garbledLines();
    void hostileValues();
    void addModel();
    void largeTablesReadInRuns();
    void largeAndOddFiles_data();
    void largeAndOddFiles();
    void memoryRunsOutAnywhere_data();
    void memoryRunsOutAnywhere();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<XERLoader> m_loader;
    Outcome m_outcome;
};

void tst_XERLoader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A process of one memory point starts with a cold pool.
    if (qEnvironmentVariableIsSet(kPointVariable))
        return;
    m_loader = load(writeFile(m_dir, QStringLiteral("project.xer"), project()), &m_outcome);
    QVERIFY(m_outcome.done);
}

void tst_XERLoader::failures_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("code");
    QTest::addRow("not an XER file") << QByteArray("<html>nothing</html>\r\n") << true << 1;
    QTest::addRow("binary") << QByteArray("\x7F" "ELF\x02\x01\x01\x00\x00", 9) << true << 1;
    QTest::addRow("header without tab") << QByteArray("ERMHDR 19.12\r\n") << true << 1;
    QTest::addRow("cannot open") << QByteArray() << false << 2;
    // Not even a header line.
    QTest::addRow("empty file") << QByteArray() << true << 1;
}

void tst_XERLoader::failures()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString path = exists ? writeFile(dir, QStringLiteral("bad.xer"), content)
                                : dir.filePath(QStringLiteral("none.xer"));
    Outcome outcome;
    std::unique_ptr<XERLoader> loader = load(path, &outcome);
    QCOMPARE(outcome.events, QStringList{QStringLiteral("failed %1").arg(code)});
    QCOMPARE(loader->readResult(), code);
    QVERIFY(loader->modelNames().isEmpty());
    // The read's wider heap growth stays after it, failed or not.
    QVERIFY(ReadHeapPadding::inForce());
    // Its report, failed or not, is the read's last touch: a receiver may delete the loader there, padding given back.
    for (const QString &file : {path, writeFile(dir, QStringLiteral("good.xer"), project())}) {
        const ReadHeapPadding::Release release;
        auto *doomed = new XERLoader(file, schema());
        const auto report = [doomed] { QVERIFY(!ReadHeapPadding::inForce()); delete doomed; };
        connect(doomed, &ProjectLoader::finished, doomed, report);
        connect(doomed, &ProjectLoader::failed, doomed, report);
        doomed->read();
    }

    // A loader without a file fails the same way instead of hanging.
    XERLoader empty;
    QSignalSpy failed(&empty, &ProjectLoader::failed);
    QSignalSpy finished(&empty, &ProjectLoader::finished);
    bool paddedWhileReading = false;
    connect(&empty, &ProjectLoader::started, this,
            [&paddedWhileReading] { paddedWhileReading = ReadHeapPadding::inForce(); });
    empty.read();
    QCOMPARE(failed.count(), 1);
    QCOMPARE(finished.count(), 0);
    QVERIFY(paddedWhileReading);
    // Under an address-space limit the heaps grow by what they are asked
    // for: the limit would count the step.
    {
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_AS, &old) == 0);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(selfCount("/proc/self/statm", QByteArray()) * 4096) + (rlim_t(4) << 30);
        QVERIFY(setrlimit(RLIMIT_AS, &limited) == 0);
        paddedWhileReading = true;
        empty.read();
        QVERIFY(setrlimit(RLIMIT_AS, &old) == 0);
        QVERIFY(!paddedWhileReading);
    }
    // Releasing lifts it, a read within a release sets it again.
    {
        const ReadHeapPadding::Release release;
        QVERIFY(!ReadHeapPadding::inForce());
        paddedWhileReading = false;
        empty.read();
        QVERIFY(paddedWhileReading);
        QVERIFY(!ReadHeapPadding::inForce());
    }
    QVERIFY(ReadHeapPadding::inForce());
}

void tst_XERLoader::emptyFile()
{
    QTemporaryDir dir;
    Outcome outcome;
    // A header line and the end line: a project without activities.
    std::unique_ptr<XERLoader> loader = load(writeFile(dir, QStringLiteral("empty.xer"), header() + "%E\r\n"),
                                             &outcome);
    QCOMPARE(outcome.events, progressSteps());
    QCOMPARE(loader->loadReport(), QStringLiteral("The file holds no activities."));
    QCOMPARE(loader->modelNames(), allModelNames());
    QCOMPARE(loader->model(QStringLiteral("TASK"))->rowCount(), 0);
    QCOMPARE(loader->model(QStringLiteral("TASK"))->columnCount(), 60);
    QCOMPARE(loader->model(QStringLiteral("TASKPRED"))->columnCount(), 5);
    QCOMPARE(loader->model(QStringLiteral("CodeModel"))->columnCount(), 8);
    QCOMPARE(loader->model(QStringLiteral("ActivityModel"))->rowCount(), 0);
    QCOMPARE(loader->model(QStringLiteral("taskCodesAssignmentModel"))->columnCount(), 1);
}

void tst_XERLoader::loadsEveryModel()
{
    // Progress arrives in the order sent, then finished() once.
    QCOMPARE(m_outcome.events, progressSteps());
    QCOMPARE(m_loader->modelNames(), allModelNames());
    QCOMPARE(m_loader->loaderName(), QStringLiteral("XERLoader"));
    QVERIFY(!m_loader->model(QStringLiteral("nothing")));
    QVERIFY(!m_loader->hasModel(QStringLiteral("nothing")));
    QVERIFY(m_loader->hasModel(QStringLiteral("ActivityModel")));
    for (const QString &name : m_loader->modelNames()) {
        QAbstractItemModel *model = m_loader->model(name);
        QCOMPARE(model->objectName(), name);
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    }
}

void tst_XERLoader::tableModels()
{
    const QAbstractItemModel *task = m_loader->model(QStringLiteral("TASK"));
    QCOMPARE(task->rowCount(), 4);
    // File order is kept.
    QCOMPARE(task->index(0, 0).data().toInt(), 3);
    QCOMPARE(task->index(1, 0).data().toInt(), 1);
    // "TASK_NAME" in upper case still finds its column; the short record of
    // task 4 keeps its values in their own columns.
    QCOMPARE(cellOf(task, 1, QStringLiteral("Activity Name")).toString(), QString::fromUtf8("Dig \xC3\xA4"));
    QCOMPARE(cellOf(task, 3, QStringLiteral("Activity ID")).toString(), QStringLiteral("A4"));
    QCOMPARE(cellOf(task, 3, QStringLiteral("Planned start date")).toDateTime(), at("2024-02-20 08:00"));
    QVERIFY(!cellOf(task, 3, QStringLiteral("Planned finish date")).isValid());
    QVERIFY(!cellOf(task, 3, QStringLiteral("Physical complete %")).isValid());
    // Conversions by data type: "12.5" in an integer column is not read, the
    // cell stays empty; the load says so, and of the short record.
    QVERIFY(!cellOf(task, 1, QStringLiteral("Physical complete %")).isValid());
    QCOMPARE(m_loader->loadReport(),
             QStringLiteral("Loaded with changes: needed fields missing: ACTVCODE (parent_actv_code_id), "
                            "TASK (total_float_hr_cnt, free_float_hr_cnt); "
                            "records not matching their field list: TASK 1; "
                            "records with an id read before, left out: RSRC 1; values not read, left empty: TASK 1; "
                            "activities under a WBS node not in the file: 1"));
    QCOMPARE(cellOf(task, 2, QStringLiteral("Physical complete %")), QVariant(100));
    QCOMPARE(cellOf(task, 1, QStringLiteral("Actual Start")), QVariant(at("2024-01-02 08:00")));
    // An empty field leaves the cell invalid, also in an integer column.
    QVERIFY(!cellOf(m_loader->model(QStringLiteral("PROJWBS")), 0, QStringLiteral("parent_wbs_id")).isValid());
    // Decimal user-defined numbers survive.
    const QAbstractItemModel *values = m_loader->model(QStringLiteral("UDFVALUE"));
    QCOMPARE(values->index(0, 5).data(), QVariant(12.75));
}

void tst_XERLoader::derivedModels()
{
    const QAbstractItemModel *pred = m_loader->model(QStringLiteral("PredecessorModel"));
    QCOMPARE(pred->columnCount(), 9);
    QCOMPARE(pred->rowCount(), 4);
    // Successor's ID and name first, predecessor's after.
    QCOMPARE(pred->index(1, 5).data().toString(), QStringLiteral("A2"));
    QCOMPARE(pred->index(1, 7).data().toString(), QStringLiteral("A3"));
    QCOMPARE(pred->index(1, 8).data().toString(), QStringLiteral("Handover"));
    QVERIFY(!pred->index(2, 7).data().isValid()); // predecessor of another project
    QCOMPARE(columnIndex(pred, QStringLiteral("Activity ID")), 5);
    QCOMPARE(pred->headerData(7, Qt::Horizontal, FieldIdRole).toString(), QStringLiteral("task_code"));

    const QAbstractItemModel *res = m_loader->model(QStringLiteral("ResourceModel"));
    QCOMPARE(res->columnCount(), 28);
    QCOMPARE(res->index(0, 27).data().toString(), QStringLiteral("Excavator"));
    QCOMPARE(res->index(1, 27).data().toString(), QStringLiteral("Crew")); // the first RSRC row of an id keeps it
    QVERIFY(!res->index(2, 27).data().isValid());                           // unknown resource

    const QAbstractItemModel *codes = m_loader->model(QStringLiteral("CodeModel"));
    QCOMPARE(codes->columnCount(), 8);
    QStringList captions;
    for (int c = 4; c < 8; ++c)
        captions << codes->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions, QStringList({QStringLiteral("Code Value"), QStringLiteral("Code Name"),
                                    QStringLiteral("Activity Code"), QStringLiteral("Scope")}));
    QCOMPARE(codes->index(0, 5).data().toString(), QStringLiteral("Design"));
    QCOMPARE(codes->index(0, 6).data().toString(), QStringLiteral("Phase"));
}

void tst_XERLoader::pivots()
{
    const QAbstractItemModel *codes = m_loader->model(QStringLiteral("taskCodesAssignmentModel"));
    QCOMPARE(codes->rowCount(), 4);
    QCOMPARE(codes->columnCount(), 3);
    // Columns in ascending type id: Area (100) before Phase (200).
    QCOMPARE(codes->headerData(0, Qt::Horizontal).toString(), QStringLiteral("task_id"));
    QCOMPARE(codes->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Area"));
    QCOMPARE(codes->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Phase"));
    QCOMPARE(codes->headerData(1, Qt::Horizontal, FieldGroupRole).toString(), QStringLiteral("Activity Codes"));
    QCOMPARE(codes->headerData(1, Qt::Horizontal, FieldDescriptorRole).toMap().value(QStringLiteral("datatype")),
             QVariant(QStringLiteral("string")));
    const int task1 = rowOf(codes, 0, 1);
    const int task3 = rowOf(codes, 0, 3);
    QCOMPARE(codes->index(task1, 1).data().toString(), QStringLiteral("North"));
    QCOMPARE(codes->index(task1, 1).data(FieldIdRole).toInt(), 1000);
    QCOMPARE(codes->index(task1, 2).data().toString(), QStringLiteral("Design"));
    // A code missing from ACTVCODE: empty text, the id still there.
    QCOMPARE(codes->index(task3, 2).data().toString(), QString());
    QCOMPARE(codes->index(task3, 2).data(FieldIdRole).toInt(), 2999);
    QVERIFY(!codes->index(rowOf(codes, 0, 2), 1).data().isValid());

    // Only fields of the activity table: "Owner" (a WBS field) is absent and
    // its value for id 1 never reaches activity 1.
    const QAbstractItemModel *udf = m_loader->model(QStringLiteral("userDefinedAssignmentModel"));
    QCOMPARE(udf->columnCount(), 3);
    QCOMPARE(udf->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Weight"));
    QCOMPARE(udf->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Due"));
    QCOMPARE(udf->headerData(1, Qt::Horizontal, FieldGroupRole).toString(), QStringLiteral("User Defined"));
    QCOMPARE(udf->index(rowOf(udf, 0, 1), 1).data(), QVariant(12.75));
    QCOMPARE(udf->index(rowOf(udf, 0, 1), 1).data(FieldIdRole).toInt(), 300);
    // A date wins over a text.
    QCOMPARE(udf->index(rowOf(udf, 0, 2), 2).data(), QVariant(at("2024-05-06 08:00")));
}

void tst_XERLoader::activityModel()
{
    auto *activities = qobject_cast<ZJoinProxyModel *>(m_loader->model(QStringLiteral("ActivityModel")));
    QVERIFY(activities);
    QVERIFY(activities->signalsBlocked());
    QCOMPARE(activities->rowCount(), 4);
    // 3 structure + 60 TASK + 2 WBS + 25 TASKRSRC + 2 codes + 2 fields
    QCOMPARE(activities->columnCount(), 94);
    QCOMPARE(activities->headerData(0, Qt::Horizontal).toString(), QStringLiteral("ID"));
    QCOMPARE(activities->headerData(2, Qt::Horizontal, FieldDescriptorRole).toMap().value(QStringLiteral("group")),
             QVariant(QStringLiteral("system")));
    QCOMPARE(columnIndex(activities, QStringLiteral("task_id")), 3); // TASK's comes first
    QCOMPARE(activities->headerData(63, Qt::Horizontal).toString(), QStringLiteral("WBS Code"));
    QCOMPARE(activities->headerData(90, Qt::Horizontal).toString(), QStringLiteral("Area"));
    QCOMPARE(activities->headerData(93, Qt::Horizontal).toString(), QStringLiteral("Due"));

    // Ascending task id, while TASK keeps the file's order.
    QStringList ids;
    for (int r = 0; r < 4; ++r)
        ids << activities->index(r, 0).data().toString();
    QCOMPARE(ids, QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}));

    auto value = [activities](int row, const char *caption) {
        return cellOf(activities, row, QLatin1String(caption));
    };
    QCOMPARE(value(0, "Activity Type").toString(), QStringLiteral("Task"));
    QCOMPARE(value(1, "Activity Type").toString(), QStringLiteral("Level of Effort"));
    QCOMPARE(value(2, "Activity Type").toString(), QStringLiteral("Milestone"));
    QCOMPARE(value(3, "Activity Type").toString(), QStringLiteral("Milestone"));

    // Active with a start constraint: actual start, planned finish.
    QCOMPARE(value(0, "Start Date"), QVariant(at("2024-01-02 08:00")));
    QCOMPARE(value(0, "Finish Date"), QVariant(at("2024-01-10 17:00")));
    // Complete without an actual finish: a null finish.
    QCOMPARE(value(1, "Start Date"), QVariant(at("2024-01-03 08:00")));
    QVERIFY(value(1, "Finish Date").toDateTime().isNull());
    QCOMPARE(value(1, "Finish Date").userType(), int(QMetaType::QDateTime));
    // Not started, "CS_MSO": the constraint date starts it, after its planned
    // finish; without an early finish it then finishes on its start.
    QCOMPARE(value(2, "Start Date"), QVariant(at("2024-02-05 08:00")));
    QCOMPARE(value(2, "Finish Date"), QVariant(at("2024-02-05 08:00")));
    // Not started, "CS_MEOB": the constraint date finishes it.
    QCOMPARE(value(3, "Start Date"), QVariant(at("2024-02-20 08:00")));
    QCOMPARE(value(3, "Finish Date"), QVariant(at("2024-03-01 17:00")));

    // A2 follows A1 twice (FS and FF): A1 is one predecessor with two
    // relationships, in the file's order.
    QCOMPARE(value(1, "Predecessors").toString(), QStringLiteral("A1, A3"));
    QCOMPARE(value(1, "Predecessors Details").toString(), QStringLiteral("A1:FS, A1:FF, A3:SS+8h"));
    QCOMPARE(value(0, "Predecessors").toString(), QString());
    QCOMPARE(value(3, "Predecessors").toString(), QString());

    // WBS through the activity's wbs_id; none for an unknown WBS.
    QCOMPARE(value(0, "WBS Name").toString(), QStringLiteral("Foundations"));
    QCOMPARE(value(2, "WBS Code").toString(), QStringLiteral("W1"));
    QVERIFY(!value(3, "WBS Name").isValid());
    // The later of two resource assignments.
    QCOMPARE(activities->index(0, 65 + 4).data().toInt(), 50);
    QCOMPARE(value(0, "Area").toString(), QStringLiteral("North"));
    QCOMPARE(value(0, "Weight"), QVariant(12.75));
    QVERIFY(!value(2, "Weight").isValid());
    // The TASK table itself was completed.
    const QAbstractItemModel *task = m_loader->model(QStringLiteral("TASK"));
    QCOMPARE(cellOf(task, 0, QStringLiteral("Activity Type")).toString(), QStringLiteral("Milestone"));

    QAbstractItemModelTester tester(activities, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int r = 0; r < activities->rowCount(); ++r) {
        for (int c = 0; c < 3; ++c)
            QCOMPARE(activities->mapFromSource(activities->mapToSource(activities->index(r, c))),
                     activities->index(r, c));
    }
}

void tst_XERLoader::modelsLiveOnTheApplicationThread()
{
    for (const QString &name : m_loader->modelNames())
        QCOMPARE(m_loader->model(name)->thread(), QCoreApplication::instance()->thread());
    auto *activities = qobject_cast<ZJoinProxyModel *>(m_loader->model(QStringLiteral("ActivityModel")));
    QCOMPARE(activities->sourceModel()->thread(), QCoreApplication::instance()->thread());

    // A signal of a table reaches the join built on it at once.
    QAbstractItemModel *assignments = m_loader->model(QStringLiteral("TASKRSRC"));
    QAbstractItemModel *resources = m_loader->model(QStringLiteral("ResourceModel"));
    QSignalSpy changed(resources, &QAbstractItemModel::dataChanged);
    emit assignments->dataChanged(assignments->index(0, 4), assignments->index(0, 4));
    QCOMPARE(changed.count(), 1);
}

void tst_XERLoader::layoutRows()
{
    const QVariantList rows = m_loader->layoutRows();
    QCOMPARE(rows.size(), 2);
    const QVariantMap first = rows.first().toMap();
    QCOMPARE(first.value(QStringLiteral("VIEW_ID")).toString(), QStringLiteral("7"));
    QCOMPARE(first.value(QStringLiteral("VIEW_NAME")).toString(), QStringLiteral("My layout"));
    QCOMPARE(first.value(QStringLiteral("VIEW_DATA")).toString(), QStringLiteral("(0||ViewSettings)"));
}

void tst_XERLoader::ownership()
{
    QTemporaryDir dir;
    Outcome outcome;
    std::unique_ptr<XERLoader> loader = load(writeFile(dir, QStringLiteral("o.xer"), project()), &outcome);
    auto *activities = qobject_cast<ZJoinProxyModel *>(loader->model(QStringLiteral("ActivityModel")));
    QPointer<QAbstractItemModel> structure = activities->sourceModel();
    QPointer<QAbstractItemModel> task = loader->model(QStringLiteral("TASK"));
    QPointer<QAbstractItemModel> pivot = loader->model(QStringLiteral("taskCodesAssignmentModel"));
    QCOMPARE(structure->parent(), activities);
    loader.reset();
    QVERIFY(structure.isNull());
    QVERIFY(task.isNull());
    QVERIFY(pivot.isNull());
}

void tst_XERLoader::tableQuirks_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("taskRows");
    QTest::addColumn<QString>("firstCode");
    QTest::addColumn<QString>("report");
    // The activity tables hold only the fields a row is about; the load
    // says which needed ones they lack.
    const QString missing = QStringLiteral("needed fields missing: TASK (wbs_id, task_type, task_name, status_code, "
                                           "act_start_date, act_end_date, target_start_date, target_end_date, cstr_type, cstr_date, "
                                           "total_float_hr_cnt, free_float_hr_cnt, proj_id, ")
                            + fieldList(taskShownFields()) + QLatin1Char(')');
    const QString lacking = QStringLiteral("Loaded with changes: ") + missing;
    const QString prefix = lacking + QStringLiteral("; ");
    const QString cut = QStringLiteral("The file ends before its end line (%E): it may have been cut short.");
    const QByteArray end = "%E\r\n";
    const QByteArray first = table("TASK", "task_id\ttask_code", {"1\tA"});
    const QString noActivities = QStringLiteral("The file holds no activities.");
    const QString noneRead = QStringLiteral("None of the file's activities could be read.");
    QTest::addRow("table listed twice: both copies load")
            << header() + first + table("TASK", "TASK_ID\ttask_code", {"2\tB", "3\tC"}) + end << 3
            << QStringLiteral("A") << prefix + QStringLiteral("tables repeated, copies: TASK 2");
    QTest::addRow("a copy with another field list is left out, and said")
            << header() + first + table("TASK", "task_id\ttask_name", {"2\tB", "3\tC"}) + first + end << 1
            << QStringLiteral("A")
            << prefix + QStringLiteral("records with an id read before, left out: TASK 1; tables repeated, copies: TASK 3; "
                                       "copies with another field list left out, records: TASK 2");
    QTest::addRow("the only records in a copy with another field list: none read")
            << header() + table("TASK", "task_id\ttask_code", {}) + table("TASK", "task_id\ttask_name", {"2\tB"}) + end
            << 0 << QString()
            << noneRead + QStringLiteral(" Loaded with changes: tables repeated, copies: TASK 2; "
                                         "copies with another field list left out, records: TASK 1");
    QTest::addRow("lower-case table name loads, and is said")
            << header() + table("task", "task_id\ttask_code", {"1\tA"}) + end << 1 << QStringLiteral("A")
            << QStringLiteral("Loaded with changes: tables read from a line written otherwise: \"%T task\"; ") + missing;
    QTest::addRow("a field named twice: the first read, and said")
            << header() + table("TASK", "task_id\ttask_code\tTASK_CODE", {"1\tA\tB"}) + end << 1
            << QStringLiteral("A") << prefix + QStringLiteral("fields named twice, the first read: TASK (task_code)");
    QTest::addRow("an id read before: the first record keeps it, and said")
            << header() + table("TASK", "task_id\ttask_code", {"2\tA", "1\tB", "2\tC"})
                       + table("TASK", "task_id\ttask_code", {"1\tD"}) + end
            << 2 << QStringLiteral("A")
            << prefix + QStringLiteral("records with an id read before, left out: TASK 2; tables repeated, copies: TASK 2");
    QTest::addRow("records without a cell: no rows, and said")
            << header() + "%T\tTASK\r\n%F\ttask_id\ttask_code\r\n%R\r\n%R\t1\tA\r\n%R\t\t\r\n" + end << 1
            << QStringLiteral("A") << prefix + QStringLiteral("empty records, left out: TASK 2");
    QTest::addRow("a record of blanks: no row, and said")
            << header() + "%T\tTASK\r\n%F\ttask_id\ttask_code\r\n%R\t1\tA\r\n%R\t \t \r\n" + end << 1
            << QStringLiteral("A") << prefix + QStringLiteral("empty records, left out: TASK 1");
    // Without the id's field nothing could find a record: none is a row,
    // each said once, the empty one as empty.
    QTest::addRow("activity table without task_id: its records left out as without an id")
            << header() + "%T\tTASK\r\n%F\ttask_code\r\n%R\tA\r\n%R\t\r\n%R\tB\r\n" + end << 0 << QString()
            << noneRead + QLatin1Char(' ') + QString(prefix).replace(QStringLiteral("TASK ("), QStringLiteral("TASK (task_id, "))
                       + QStringLiteral("records without an id, left out: TASK 2; empty records, left out: TASK 1");
    QTest::addRow("a table line written otherwise twice: the first said")
            << header() + table("task", "task_id\ttask_code", {"1\tA"}) + table("Task", "task_id\ttask_code", {"2\tB"})
                       + end
            << 2 << QStringLiteral("A")
            << QStringLiteral("Loaded with changes: tables read from a line written otherwise: \"%T task\"; ") + missing
                       + QStringLiteral("; tables repeated, copies: TASK 2");
    QTest::addRow("only TASK in the file")
            << header() + table("TASK", "task_id\ttask_code", {"5\tE"}) + end << 1 << QStringLiteral("E")
            << lacking;
    QTest::addRow("record longer than its field list")
            << header() + table("TASK", "task_id\ttask_code", {"5\tE\tspill\tover"}) + end << 1
            << QStringLiteral("E") << prefix + QStringLiteral("records not matching their field list: TASK 1");
    // A field list belongs to the table line right before it.
    QTest::addRow("record before the field list: both left out, and said")
            << header() + "%T\tTASK\r\n%R\t9\tZ\r\n%F\ttask_id\ttask_code\r\n%R\t1\tA\r\n" + end << 0
            << QString() << noneRead + QStringLiteral(" Loaded with changes: records not matching their field list: TASK 1; "
                                            "lines not understood, left out: \"%F task_id task_code\" 2");
    QTest::addRow("table without a field list: its records said")
            << header() + first + "%T\tTASK\r\n%R\t9\tZ\r\n%R\t8\tY\r\n" + end << 1 << QStringLiteral("A")
            << prefix + QStringLiteral("records not matching their field list: TASK 2");
    // Lines inside a table that are no lines of a table are left out and
    // said; a table whose own line is not understood is no table.
    QTest::addRow("every record marker in lower case: none read, and said")
            << header() + "%T\tTASK\r\n%F\ttask_id\ttask_code\r\n%r\t1\tA\r\n%r\t2\tB\r\n" + end << 0 << QString()
            << noneRead + QStringLiteral(" Loaded with changes: lines not understood, left out: TASK 2");
    QTest::addRow("record markers changed: left out, and said")
            << header() + first + "%X\t2\tB\r\nR\t3\tC\r\n %R\t4\tD\r\n%R\t5\tE\r\n" + end << 2
            << QStringLiteral("A") << prefix + QStringLiteral("lines not understood, left out: TASK 3");
    QTest::addRow("the next table's line not understood: its lines left out, and said")
            << header() + first + "%X\tACTVCODE\r\n%F\tactv_code_id\tshort_name\r\n%R\t1\tN\r\n"
                       + table("TASK", "task_id\ttask_code", {"2\tB"}) + end
            << 2 << QStringLiteral("A")
            << prefix + QStringLiteral("lines not understood, left out: \"%X ACTVCODE\" 3; tables repeated, copies: TASK 2");
    QTest::addRow("a line not understood in the layout table")
            << header() + first + table("VIEWPROP", "view_id\tview_name\tdata_pos", {"7\tL\tx"}) + "%X\tq\r\n"
                       + end
            << 1 << QStringLiteral("A") << prefix + QStringLiteral("lines not understood, left out: VIEWPROP 1");
    QTest::addRow("a field list after another: left out with its records, and said")
            << header() + "%T\tTASK\r\n%F\ttask_name\r\n%F\ttask_id\ttask_code\r\n%R\t1\tA\r\n" + end << 0
            << QString() << noneRead
                       + QStringLiteral(" Loaded with changes: lines not understood, left out: \"%F task_id task_code\" 2");
    QTest::addRow("an empty table, the next one's line deleted: its lines left out, and said")
            << header() + first + "%T\tUDFTYPE\r\n%F\tudf_type_id\r\n%F\ttask_pred_id\ttask_id\r\n%R\t1\t1\r\n" + end
            << 1 << QStringLiteral("A") << prefix + QStringLiteral("lines not understood, left out: \"%F task_pred_id task_id\" 2");
    QTest::addRow("activity table's line not understood")
            << header() + "%X\tTASK\r\n%F\ttask_id\ttask_code\r\n%R\t1\tA\r\n" + end << 0 << QString()
            << noneRead + QStringLiteral(" Loaded with changes: lines not understood, left out: \"%X TASK\" 3");
    // Lines of no table were the activities' when their field list is.
    QTest::addRow("activity table's line deleted: none read")
            << header() + "%F\ttask_id\ttask_code\r\n%R\t1\tA\r\n" + end << 0 << QString()
            << noneRead + QStringLiteral(" Loaded with changes: lines not understood, left out: \"%F task_id task_code\" 2");
    QTest::addRow("another table's line deleted, no activity table: none there")
            << header() + "%F\ttask_pred_id\ttask_id\r\n%R\t1\t1\r\n" + end << 0 << QString()
            << noActivities + QStringLiteral(" Loaded with changes: lines not understood, left out: \"%F task_pred_id task_id\" 2");
    QTest::addRow("activity table under another name")
            << header() + table("TASKX", "task_id\ttask_code", {"1\tA"}) + end << 0 << QString() << noActivities;
    QTest::addRow("activity table without records")
            << header() + table("TASK", "task_id\ttask_code", {}) + end << 0 << QString() << noActivities;
    QTest::addRow("unknown columns ignored")
            << header() + table("TASK", "weird\ttask_id\tother\ttask_code", {"x\t1\ty\tA"}) + end << 1
            << QStringLiteral("A") << lacking;
    // A file whose last line is not "%E" (blank lines aside) was cut short.
    // The file's end cuts its last record: it is left out and counted.
    const QString cutRecord
            = cut + QLatin1Char(' ') + prefix + QStringLiteral("records not matching their field list: TASK 1");
    QTest::addRow("last record without a line end: left out, file said cut")
            << header() + "%T\tTASK\r\n%F\ttask_id\ttask_code\r\n%R\t1\tA\r\n%R\t2\tB" << 1
            << QStringLiteral("A") << cutRecord;
    QTest::addRow("cut last record: left out and said")
            << header() + "%T\tTASK\r\n%F\ttask_id\ttask_code\ttask_name\r\n%R\t1\tA\tx\r\n%R\t2\tB" << 1
            << QStringLiteral("A")
            << cut + QStringLiteral(" Loaded with changes: needed fields missing: TASK (wbs_id, task_type, status_code, "
                                    "act_start_date, act_end_date, target_start_date, target_end_date, cstr_type, cstr_date, "
                                    "total_float_hr_cnt, free_float_hr_cnt, proj_id, ")
                       + fieldList(taskShownFields()) + QStringLiteral("); records not matching their field list: TASK 1");
    QTest::addRow("end line without a line end")
            << header() + first + "%E" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("blank lines after the end line")
            << header() + first + "%E\r\n\r\n \t\r\n" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("blanks and tabs after the end marker")
            << header() + first + "%E \t  \r\n" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("Ctrl-Z after the end line")
            << header() + first + "%E\r\n\x1A" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("NUL bytes after the end line")
            << header() + first + "%E\r\n" + QByteArray(64, '\0') << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("Ctrl-Z on the end line") << header() + first + "%E\x1A" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("NUL on the end line")
            << header() + first + QByteArray("%E\0\r\n", 5) << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("blank and Ctrl-Z on the end line")
            << header() + first + "%E \x1A\r\n" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("an end-of-file mark and the end line again after the end line")
            << header() + first + "%E\r\n\x1A\r\n%E\r\n" << 1 << QStringLiteral("A") << lacking;
    QTest::addRow("NUL bytes after a record")
            << header() + first + QByteArray(64, '\0') << 1 << QStringLiteral("A") << cut + QLatin1Char(' ') + lacking;
    QTest::addRow("text after the end marker")
            << header() + first + "%E x\r\n" << 1 << QStringLiteral("A") << cut + QLatin1Char(' ') + lacking;
    const QString afterEnd
            = QStringLiteral("The file goes on after its end line (%E): the records after it are loaded too.");
    QTest::addRow("end line before the last table")
            << header() + "%E\r\n" + first << 1 << QStringLiteral("A") << afterEnd + QLatin1Char(' ') + lacking;
    const QString leftOutAfterEnd
            = QStringLiteral("The file goes on after its end line (%E): the lines after it are left out.");
    QTest::addRow("a line not understood after the end line: said by itself, and as left out")
            << header() + first + end + "%\t\r\n%R\t2\tB\r\n" << 1 << QStringLiteral("A")
            << leftOutAfterEnd + QLatin1Char(' ') + prefix + QStringLiteral("lines not understood, left out: \"% \" 2");
    QTest::addRow("a line not understood after the end line, then a table: the table read")
            << header() + end + "%\t\r\n" + first << 1 << QStringLiteral("A")
            << afterEnd + QLatin1Char(' ') + prefix + QStringLiteral("lines not understood, left out: \"% \" 1");
    QTest::addRow("records after the end line in a table not read: left out")
            << header() + first + table("PROJECT", "proj_id", {}) + end + "%R\t1\r\n" << 1 << QStringLiteral("A")
            << leftOutAfterEnd + QLatin1Char(' ') + lacking;
    QTest::addRow("records after the end line")
            << header() + first + end + "%R\t2\tB\r\n" << 2 << QStringLiteral("A") << afterEnd + QLatin1Char(' ') + lacking;
    const QByteArray otherCopy = table("TASK", "task_id\ttask_name", {"2\tB"});
    const QString otherCopyLeftOut
            = QStringLiteral("tables repeated, copies: TASK 2; copies with another field list left out, records: TASK 1");
    QTest::addRow("records after the end line in a copy left out: said as left out")
            << header() + first + end + otherCopy << 1 << QStringLiteral("A")
            << leftOutAfterEnd + QLatin1Char(' ') + prefix + otherCopyLeftOut;
    // An end line before other lines, the file closing with one too.
    QTest::addRow("two exports joined: the records after the first end line loaded too")
            << header() + first + end + header() + table("TASK", "task_id\ttask_code", {"2\tB"}) + end << 2
            << QStringLiteral("A")
            << QStringLiteral("An end line (%E) stands before other lines: the records after it are loaded too. ")
                       + prefix + QStringLiteral("tables repeated, copies: TASK 2");
    QTest::addRow("an end line moved up before a copy left out: said as left out")
            << header() + first + end + otherCopy + end << 1 << QStringLiteral("A")
            << QStringLiteral("An end line (%E) stands before other lines: the lines after it are left out. ")
                       + prefix + otherCopyLeftOut;
    // No row, blank or not: the bands and exports would show one empty.
    QTest::addRow("ids that are no int: left out as ids not there, and said")
            << header()
                       + table("TASK", "task_id\ttask_code",
                               {"abc\tA", "120010.0\tB", "2147483648\tC", "99999999999\tD", QByteArray(300, '7') + "\tE",
                                "7.5\tF", "-2147483648\tG"})
                       + end
            << 1 << QStringLiteral("G") << prefix + QStringLiteral("records without an id, left out: TASK 6");
    // A byte-order mark that begins a field is text; only the file's first
    // bytes are one.
    QTest::addRow("field beginning with a byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + header() + table("TASK", "task_id\ttask_code", {"1\t\xEF\xBB\xBF" "bom"})
                       + end
            << 1 << QString(QChar(QChar::ByteOrderMark)) + QStringLiteral("bom") << lacking;
}

void tst_XERLoader::tableQuirks()
{
    QFETCH(QByteArray, content);
    QFETCH(int, taskRows);
    QFETCH(QString, firstCode);
    QFETCH(QString, report);
    QTemporaryDir dir;
    Outcome outcome;
    std::unique_ptr<XERLoader> loader = load(writeFile(dir, QStringLiteral("q.xer"), content), &outcome);
    QCOMPARE(outcome.events.last(), QStringLiteral("finished"));
    const QAbstractItemModel *task = loader->model(QStringLiteral("TASK"));
    QCOMPARE(task->rowCount(), taskRows);
    QCOMPARE(task->columnCount(), 60);
    if (taskRows > 0)
        QCOMPARE(cellOf(task, 0, QStringLiteral("Activity ID")).toString(), firstCode);
    QCOMPARE(loader->model(QStringLiteral("ActivityModel"))->rowCount(), taskRows);
    QCOMPARE(loader->model(QStringLiteral("TASKPRED"))->rowCount(), 0);
    QCOMPARE(loader->loadReport(), report);
}

void tst_XERLoader::parentLoops_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("parents"); // each WBS node's parent after the load
    QTest::addColumn<QString>("report");
    const QByteArray task = table("TASK", "task_id\ttask_code\twbs_id", {"1\tA\t10"});
    QTest::addRow("a WBS loop of three, cut at its last row in the file")
            << header() + table("PROJWBS", "wbs_id\tparent_wbs_id", {"11\t10", "13\t", "12\t11", "10\t12"}) + task
            << QStringLiteral("10,-,11,-")
            << QStringLiteral("parent loops, cut where the file closes them: PROJWBS 1");
    QTest::addRow("a WBS node under itself, and two loops")
            << header() + table("PROJWBS", "wbs_id\tparent_wbs_id", {"10\t10", "11\t12", "12\t11", "13\t11"}) + task
            << QStringLiteral("-,12,-,11")
            << QStringLiteral("parent loops, cut where the file closes them: PROJWBS 2");
}

void tst_XERLoader::parentLoops()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, parents);
    QFETCH(QString, report);
    QTemporaryDir dir;
    Outcome outcome;
    std::unique_ptr<XERLoader> loader = load(writeFile(dir, QStringLiteral("p.xer"), content + "%E\r\n"), &outcome);
    const QAbstractItemModel *model = loader->model(QStringLiteral("PROJWBS"));
    QStringList found;
    for (int r = 0; r < model->rowCount(); ++r) {
        const QVariant parent = cellOf(model, r, QStringLiteral("parent_wbs_id"));
        found << (parent.isValid() ? parent.toString() : QStringLiteral("-"));
    }
    QCOMPARE(found.join(QLatin1Char(',')), parents);
    QVERIFY2(loader->loadReport().contains(report), qPrintable(loader->loadReport()));
}

void tst_XERLoader::garbledLines_data()
{
    // Each row garbles a sound export: every "from" in it becomes "to".
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("kept"); // rows of PROJWBS, TASK, TASKPRED and layouts
    QTest::addColumn<QString>("report");
    const QString all = QStringLiteral("2 3 2 1");
    const QString changes = QStringLiteral("Loaded with changes: ");
    const QString missing = changes + QStringLiteral("needed fields missing: ");
    const QString misnamed = changes + QStringLiteral("tables read from a line written otherwise: ");
    // A table of ids without its id's field keeps no record: nothing could
    // find one.
    QTest::addRow("every id renamed") << QByteArray("_id") << QByteArray("_ix") << QStringLiteral("0 0 2 0")
            << QStringLiteral("None of the file's activities could be read. ")
                       + missing + QStringLiteral("ACTVCODE (actv_code_id, actv_code_type_id, parent_actv_code_id), ACTVTYPE "
                                        "(actv_code_type_id), PROJWBS (wbs_id, parent_wbs_id, proj_id), RSRC (rsrc_id), "
                                        "TASK (task_id, wbs_id, proj_id), TASKACTV (task_id, "
                                        "actv_code_type_id, actv_code_id), TASKPRED (task_id, pred_task_id), "
                                        "TASKRSRC (task_id, rsrc_id), UDFTYPE (udf_type_id), UDFVALUE (udf_type_id, "
                                        "fk_id), VIEWPROP (view_id); records without an id, left out: ACTVCODE 1, "
                                        "ACTVTYPE 1, PROJWBS 2, RSRC 1, TASK 3, UDFTYPE 1");
    QTest::addRow("every name renamed") << QByteArray("_name") << QByteArray("_nam") << QStringLiteral("2 3 2 0")
            << missing + QStringLiteral("ACTVCODE (short_name, actv_code_name), PROJWBS (wbs_short_name, wbs_name), "
                                        "RSRC (rsrc_short_name, rsrc_name), TASK (task_name), UDFTYPE (table_name), "
                                        "VIEWPROP (view_name)");
    QTest::addRow("task_code renamed") << QByteArray("task_code") << QByteArray("code") << all
                                       << missing + QStringLiteral("TASK (task_code)");
    QTest::addRow("a field's text renamed") << QByteArray("udf_text") << QByteArray("text") << all
                                            << missing + QStringLiteral("UDFVALUE (udf_text)");
    QTest::addRow("data_pos renamed") << QByteArray("data_pos") << QByteArray("data") << QStringLiteral("2 3 2 0")
                                      << missing + QStringLiteral("VIEWPROP (data_pos)");
    QTest::addRow("data_pos renamed in an empty layout table: nothing lost")
            << QByteArray("data_pos\r\n%R\t7\tL\tx") << QByteArray("data") << QStringLiteral("2 3 2 0") << QString();
    QTest::addRow("PROJWBS as %%t") << QByteArray("%T\tPROJWBS") << QByteArray("%t\tPROJWBS") << all
                                    << misnamed + QStringLiteral("\"%t PROJWBS\"");
    QTest::addRow("PROJWBS with blanks in its name") << QByteArray("PROJWBS\r") << QByteArray("PROJ WBS \r") << all
                                                     << misnamed + QStringLiteral("\"%T PROJ WBS \"");
    QTest::addRow("PROJWBS with a blank after its marker") << QByteArray("%T\tPROJWBS") << QByteArray("%T \tPROJWBS")
                                                          << all << misnamed + QStringLiteral("\"%T  PROJWBS\"");
    QTest::addRow("TASKPRED after a kept table, a blank before its marker") << QByteArray("%T\tTASKPRED")
            << QByteArray(" %T\tTASKPRED") << all << misnamed + QStringLiteral("\" %T TASKPRED\"");
    QTest::addRow("taskpred in lower case") << QByteArray("TASKPRED") << QByteArray("taskpred") << all
                                            << misnamed + QStringLiteral("\"%T taskpred\"");
    QTest::addRow("a long name cut in the report") << QByteArray("VIEWPROP") << "VIEW" + QByteArray(40, ' ') + "PROP"
            << all << misnamed + QStringLiteral("\"%T VIEW") + QString(32, QLatin1Char(' ')) + QChar(0x2026) + '"';
    QTest::addRow("a table not read, as %%t: not said") << QByteArray("%T\tPROJECT") << QByteArray("%t\tPROJECT")
                                                         << all << QString();
    QTest::addRow("PROJWBS with a blank for the tab") << QByteArray("%T\tPROJWBS") << QByteArray("%T PROJWBS")
                                                     << all << misnamed + QStringLiteral("\"%T PROJWBS\"");
    QTest::addRow("PROJWBS after two tabs") << QByteArray("%T\tPROJWBS") << QByteArray("%T\t\tPROJWBS") << all
                                            << misnamed + QStringLiteral("\"%T  PROJWBS\"");
    QTest::addRow("TASKPRED with a blank for the tab") << QByteArray("%T\tTASKPRED") << QByteArray("%t TASKPRED")
                                                       << all << misnamed + QStringLiteral("\"%t TASKPRED\"");
    QTest::addRow("PROJWBS with a tab after its name") << QByteArray("PROJWBS\r") << QByteArray("PROJWBS\t\r")
                                                       << all << misnamed + QStringLiteral("\"%T PROJWBS \"");
    const QByteArray fields = "%F\ttask_id\twbs_id\ttask_type\ttask_code\ttask_name\t" + taskShownFields()
                              + "\tstatus_code\tact_start_date\tact_end_date\ttarget_start_date\ttarget_end_date\t"
                                "cstr_type\tcstr_date\ttotal_float_hr_cnt\tfree_float_hr_cnt\tproj_id";
    const QByteArray second = "%R\t2\t11";
    QTest::addRow("TASK's field list repeated as it is") << second << fields + "\r\n" + second << all << QString();
    QTest::addRow("TASK's field list repeated with blanks after it")
            << second << fields + "\t \r\n" + second << all << QString();
    QTest::addRow("a shorter field list after records: the rest left out")
            << second << "%F\ttask_id\twbs_id\r\n" + second << QStringLiteral("2 1 2 1")
            << changes + QStringLiteral("lines not understood, left out: \"%F task_id wbs_id\" 3");
    QTest::addRow("TASKPRED's line deleted: its lines left out, TASK keeps its own")
            << QByteArray("%T\tTASKPRED\r\n") << QByteArray() << QStringLiteral("2 3 0 1")
            << changes + QStringLiteral("lines not understood, left out: \"%F task_id pred_task_id pred_type lag_h\u2026\" 3");
    QTest::addRow("TASKPRED's line blanks: its lines left out, TASK keeps its own")
            << QByteArray("%T\tTASKPRED") << QByteArray("  ") << QStringLiteral("2 3 0 1")
            << changes + QStringLiteral("lines not understood, left out: \"%F task_id pred_task_id pred_type lag_h\u2026\" 3");
    QTest::addRow("TASK's field list as %%f") << fields << "%f" + fields.mid(2) << all
                                              << changes + QStringLiteral("field lists read from a line written otherwise: TASK");
    QTest::addRow("TASK's field list with a blank after its marker") << fields << "%F " + fields.mid(2) << all
                                              << changes + QStringLiteral("field lists read from a line written otherwise: TASK");
    // A field list belongs to the table line right before it: after one
    // that cannot be read, its lines are no table's, said by that line.
    const struct
    {
        const char *garbling;
        QByteArray to;
        const char *shown;
        int lines;
    } lost[] = {{"a tab before it", "\t%T\tTASKPRED", " %T TASKPRED", 4},
                {"% and a tab", "%\tTASKPRED", "% TASKPRED", 4},
                {"%TT", "%TT\tTASKPRED", "%TT TASKPRED", 4},
                {"no name", "%T", "%T", 4},
                {"a tab and no name", "%T\t", "%T ", 4},
                {"blanks for its name", "%T\t  ", "%T   ", 4},
                {"a NUL in its name", QByteArray("%T\tTASK\0PRED", 12), "%T TASK PRED", 4},
                {"a CR before its name", "%T\t\rTASKPRED", "%T  TASKPRED", 4},
                {"a CR in its name", "%T\tTASK\rPRED", "%T TASK PRED", 4}};
    for (const auto &l : lost) {
        QTest::addRow("TASKPRED's line with %s", l.garbling)
                << QByteArray("%T\tTASKPRED") << l.to << QStringLiteral("2 3 0 1")
                << changes + QStringLiteral("lines not understood, left out: \"%1\" %2").arg(QLatin1String(l.shown)).arg(l.lines);
    }
    QTest::addRow("PROJWBS without records, TASK's line as %%TT: no activities read")
            << QByteArray("%R\t10\tW\tCivil\t\t1\r\n%R\t11\tW.1\tWorks\t10\t1\r\n%T\tTASK") << QByteArray("%TT\tTASK")
            << QStringLiteral("0 0 2 1")
            << QStringLiteral("None of the file's activities could be read. ") + changes
                       + QStringLiteral("lines not understood, left out: \"%TT TASK\" 5");
    // What a column, the details, the resources page or a grouping reads is
    // needed: renamed, it is said.
    const struct
    {
        QByteArray from, to;
        const char *said;
    } renamed[] = {{"pred_type", "type", "TASKPRED (pred_type)"},
                   {"lag_hr_cnt", "lag", "TASKPRED (lag_hr_cnt)"},
                   {"rsrc_name", "name", "RSRC (rsrc_name)"},
                   {"actv_code_name", "name", "ACTVCODE (actv_code_name)"},
                   {"actv_code_type\t", "type\t", "ACTVTYPE (actv_code_type)"},
                   {"type_id\tparent", "type\tparent", "ACTVCODE (actv_code_type_id)"},
                   {"target_qty", "qty", "TASKRSRC (target_qty)"},
                   {"proj_id", "project", "PROJWBS (proj_id), TASK (proj_id)"},
                   {"\tearly_start_date", "\tearly_start", "TASK (early_start_date)"},
                   {"driving_path_flag", "driving", "TASK (driving_path_flag)"},
                   {"remain_drtn_hr_cnt", "remaining", "TASK (remain_drtn_hr_cnt)"},
                   {"rate_type", "rates", "TASKRSRC (rate_type)"}};
    for (const auto &r : renamed) {
        QTest::addRow("%s renamed", r.said) << r.from << r.to << all
                                         << missing + QLatin1String(r.said);
    }
    QTest::addRow("blanks after TASK's last field name: read without them, and said")
            << QByteArray("free_float_hr_cnt\tproj_id\r") << QByteArray("free_float_hr_cnt\tproj_id  \r") << all
            << changes + QStringLiteral("field lists read from a line written otherwise: TASK");
    QTest::addRow("blanks around a middle field name of TASK: read without them, and said")
            << QByteArray("\ttask_name\t") << QByteArray("\t task_name  \t") << all
            << changes + QStringLiteral("field lists read from a line written otherwise: TASK");
    QTest::addRow("an activity without an id: left out") << QByteArray("%R\t2\t11") << QByteArray("%R\t\t11")
            << QStringLiteral("2 2 2 1") << changes + QStringLiteral("records without an id, left out: TASK 1");
    QTest::addRow("an activity whose id is blanks: left out") << QByteArray("%R\t2\t11") << QByteArray("%R\t   \t11")
            << QStringLiteral("2 2 2 1") << changes + QStringLiteral("records without an id, left out: TASK 1");
    QTest::addRow("a WBS node whose id is no int: left out, its two activities said") << QByteArray("%R\t11\tW.1")
            << QByteArray("%R\t11.0\tW.1") << QStringLiteral("1 3 2 1")
            << changes + QStringLiteral("records without an id, left out: PROJWBS 1; "
                                        "activities under a WBS node not in the file: 2");
    QTest::addRow("a WBS node without an id: left out, its two activities said") << QByteArray("%R\t11\tW.1")
            << QByteArray("%R\t\tW.1") << QStringLiteral("1 3 2 1")
            << changes + QStringLiteral("records without an id, left out: PROJWBS 1; "
                                        "activities under a WBS node not in the file: 2");
    QTest::addRow("an activity without a WBS node: said") << QByteArray("%R\t1\t11") << QByteArray("%R\t1\t") << all
            << changes + QStringLiteral("activities under a WBS node not in the file: 1");
    QTest::addRow("a code value under itself: cut") << QByteArray("1000\t100\t\t") << QByteArray("1000\t100\t1000\t")
            << all << changes + QStringLiteral("parent loops, cut where the file closes them: ACTVCODE 1");
    QTest::addRow("planned start renamed") << QByteArray("target_start_date") << QByteArray("start") << all
                                           << missing + QStringLiteral("TASK (target_start_date), TASKRSRC (target_start_date)");
}

void tst_XERLoader::garbledLines()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, kept);
    QFETCH(QString, report);
    // Each table with the fields it needs.
    const QByteArray dates = emptyValues(taskShownFields()) + "\tTK_NotStart\t\t\t2024-01-08 08:00\t2024-01-09 17:00\t\t\t0\t0\t1";
    QByteArray content = header() + table("PROJECT", "proj_id", {"1"})
            + table("PROJWBS", "wbs_id\twbs_short_name\twbs_name\tparent_wbs_id\tproj_id",
                    {"10\tW\tCivil\t\t1", "11\tW.1\tWorks\t10\t1"})
            + table("TASK", "task_id\twbs_id\ttask_type\ttask_code\ttask_name\t" + taskShownFields()
                            + "\tstatus_code\tact_start_date\tact_end_date\ttarget_start_date\ttarget_end_date\t"
                              "cstr_type\tcstr_date\ttotal_float_hr_cnt\tfree_float_hr_cnt\tproj_id",
                    {"1\t11\tTT_Task\tA1\tDig" + dates, "2\t11\tTT_Task\tA2\tPour" + dates,
                     "3\t10\tTT_Mile\tA3\tDone" + dates})
            + table("TASKPRED", "task_id\tpred_task_id\tpred_type\tlag_hr_cnt", {"2\t1\tPR_FS\t0", "3\t2\tPR_FS\t0"})
            + table("RSRC", "rsrc_id\trsrc_type\trsrc_short_name\trsrc_name", {"50\tRT_Labor\tC\tCrew"})
            + table("TASKRSRC", "task_id\trsrc_id\ttarget_qty\t" + assignmentShownFields(),
                    {"1\t50\t8" + emptyValues(assignmentShownFields())})
            + table("ACTVTYPE", "actv_code_type_id\tactv_code_type\tactv_code_type_scope", {"100\tArea\tAS_Project"})
            + table("ACTVCODE", "actv_code_id\tactv_code_type_id\tparent_actv_code_id\tshort_name\tactv_code_name",
                    {"1000\t100\t\tN\tNorth"})
            + table("UDFTYPE", "udf_type_id\ttable_name\tudf_type_label", {"300\tTASK\tWeight"})
            + table("TASKACTV", "task_id\tactv_code_type_id\tactv_code_id", {"1\t100\t1000"})
            + table("UDFVALUE", "udf_type_id\tfk_id\tudf_date\tudf_text\tudf_number", {"300\t1\t\t\t2"})
            + table("VIEWPROP", "view_id\tview_name\tdata_pos", {"7\tL\tx"}) + "%E\r\n";
    QVERIFY(content.contains(from));
    content.replace(from, to);
    QTemporaryDir dir;
    Outcome outcome;
    const auto loader = load(writeFile(dir, QStringLiteral("g.xer"), content), &outcome);
    QCOMPARE(outcome.events.last(), QStringLiteral("finished"));
    QStringList rows;
    for (const char *name : {"PROJWBS", "TASK", "TASKPRED"})
        rows << QString::number(loader->model(QLatin1String(name))->rowCount());
    QCOMPARE(rows.join(QLatin1Char(' ')) + QLatin1Char(' ') + QString::number(loader->layoutRows().size()), kept);
    QCOMPARE(loader->loadReport(), report);
}

void tst_XERLoader::hostileValues()
{
    // Links beyond int or not whole join nothing (before, they became 0 and
    // joined the activity with id 0), and activities with such ids are
    // left out; lags that are no finite number of hours within int are no
    // lag.
    QByteArray x = header();
    x += table("TASK", "task_id\ttask_code", {"0\tZERO", "1\tONE", "3000000000\tBIG", "7.5\tHALF"});
    x += table("TASKPRED", "task_pred_id\ttask_id\tpred_task_id\tpred_type\tlag_hr_cnt",
               {"1\t1\t0\tPR_FS\tnan", "2\t0\t1\tPR_SS\t1e308", "3\t1\t1\tPR_FF\t-inf",
                "4\t3000000000\t0\tPR_FS\t8", "5\t0\t0\tPR_FF\t-8.4"});
    x += table("ACTVTYPE", "actv_code_type_id\tactv_code_type", {"100\tArea"});
    x += table("ACTVCODE", "actv_code_id\tactv_code_type_id\tshort_name\tactv_code_name", {"1000\t100\tN\tNorth"});
    x += table("TASKACTV", "task_id\tactv_code_type_id\tactv_code_id", {"3000000000\t100\t1000", "1\t100\t1e3"});
    x += table("UDFTYPE", "udf_type_id\ttable_name\tudf_type_label", {"300\tTASK\tWeight"});
    x += table("UDFVALUE", "udf_type_id\tfk_id\tudf_date\tudf_text\tudf_number", {"300\t7.5\t\t\t1", "300\t1\t\t\tnan"});
    x += "%E\r\n";
    QTemporaryDir dir;
    Outcome outcome;
    std::unique_ptr<XERLoader> loader = load(writeFile(dir, QStringLiteral("h.xer"), x), &outcome);
    QCOMPARE(outcome.events.last(), QStringLiteral("finished"));

    const QAbstractItemModel *task = loader->model(QStringLiteral("TASK"));
    QCOMPARE(task->rowCount(), 2);
    QCOMPARE(task->index(0, 0).data(), QVariant(0));
    QCOMPARE(cellOf(task, 0, QStringLiteral("Predecessors Details")).toString(), QStringLiteral("ONE:SS, ZERO:FF-8h"));
    QCOMPARE(cellOf(task, 1, QStringLiteral("Predecessors Details")).toString(), QStringLiteral("ONE:FF, ZERO:FS"));

    // No code assignment and no UDF value lands on an activity.
    const QAbstractItemModel *codes = loader->model(QStringLiteral("taskCodesAssignmentModel"));
    const QAbstractItemModel *udf = loader->model(QStringLiteral("userDefinedAssignmentModel"));
    for (int r = 0; r < 2; ++r) {
        for (int c = 1; c < codes->columnCount(); ++c)
            QVERIFY2(!codes->index(r, c).data().isValid(), qPrintable(QString::number(r)));
    }
    QVERIFY(!udf->index(0, 1).data().isValid());
    QVERIFY(qIsNaN(udf->index(1, 1).data().toDouble()));

    const ProjectLoader::LoadNotes &notes = loader->loadNotes();
    QCOMPARE(notes.unreadLags, 3);
    QCOMPARE(notes.unreadValues.value(QStringLiteral("TASK")), 0);
    QCOMPARE(notes.unreadValues.value(QStringLiteral("TASKPRED")), 1);
    QCOMPARE(notes.unreadValues.value(QStringLiteral("TASKACTV")), 2);
    QCOMPARE(notes.unreadValues.value(QStringLiteral("UDFVALUE")), 1);
    QCOMPARE(loader->loadReport(),
             QStringLiteral("Loaded with changes: needed fields missing: ACTVCODE (parent_actv_code_id), ACTVTYPE "
                            "(actv_code_type_scope), TASK (wbs_id, task_type, task_name, status_code, "
                            "act_start_date, act_end_date, target_start_date, target_end_date, cstr_type, cstr_date, "
                            "total_float_hr_cnt, free_float_hr_cnt, proj_id, ")
                     + fieldList(taskShownFields())
                     + QStringLiteral("); records without an id, left out: TASK 2; "
                                      "values not read, left empty: TASKACTV 2, TASKPRED 1, UDFVALUE 1; "
                            "lags not read, taken as no lag: 3"));
}

void tst_XERLoader::addModel()
{
    XERLoader loader;
    QPointer<QStandardItemModel> first = new QStandardItemModel;
    first->setObjectName(QStringLiteral("M"));
    loader.addModel(first);
    loader.addModel(nullptr);
    auto *unnamed = new QStandardItemModel(&loader);
    loader.addModel(unnamed);
    QCOMPARE(loader.modelNames(), QStringList{QStringLiteral("M")});
    auto *second = new QStandardItemModel;
    second->setObjectName(QStringLiteral("M"));
    loader.addModel(second);
    QVERIFY(first.isNull()); // replaced and destroyed
    QCOMPARE(loader.model(QStringLiteral("M")), second);

    QCOMPARE(loader.fieldsFromScheme(QStringLiteral("TASK")).size(), 0);
    loader.setSchema(schema());
    QCOMPARE(loader.fieldsFromScheme(QStringLiteral("TASK")).size(), 53);
    QCOMPARE(loader.captionsFromScheme(QStringLiteral("TASK")).size(), 60);
    QVERIFY(loader.captionsFromScheme(QStringLiteral("NOPE")).isEmpty());
}

void tst_XERLoader::largeTablesReadInRuns()
{
    // Two copies of a table of thousands of records are read in many runs side
    // by side: every row lands in its place, repeated codes read as written,
    // a text whose bytes read as Latin-1 like an earlier one keeps its own
    // decoding, and what could not be read is counted once, after the table
    // is read again without the record whose id is no int.
    QList<QByteArray> first;
    QList<QByteArray> second;
    const char *const states[] = {"TK_Active", "TK_Complete", "TK_NotStart"};
    const auto nameOf = [](int i) -> QByteArray {
        return i == 768 ? QByteArray("\xC3\x83\xC2\xA9") : i == 769 ? QByteArray("\xC3\xA9") : "N" + QByteArray::number(i);
    };
    for (int i = 0; i < 3000; ++i) {
        const QByteArray id = i == 700 ? QByteArray("7.5") : QByteArray::number(i);
        const QByteArray record = id + "\tA" + QByteArray::number(i) + '\t' + states[i % 3] + '\t' + nameOf(i)
                                  + "\t2024-01-" + QByteArray::number(10 + i % 20) + " 08:00\t" + (i == 701 ? "7.5" : "1");
        (i < 1500 ? first : second) << record;
    }
    const QByteArray fields = "task_id\ttask_code\tstatus_code\ttask_name\tact_start_date\twbs_id";
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("runs.xer"),
                                   header() + table("TASK", fields, first) + table("TASK", fields, second));
    Outcome outcome;
    const auto loader = load(path, &outcome);
    const QAbstractItemModel *task = loader->model(QStringLiteral("TASK"));
    QVERIFY(task);
    QCOMPARE(task->rowCount(), 2999);
    for (int i = 0; i < 3000; ++i) {
        if (i == 700)
            continue;
        const int r = i < 700 ? i : i - 1;
        QCOMPARE(task->index(r, 0).data(), QVariant(i));
        QCOMPARE(cellOf(task, r, QStringLiteral("Activity ID")).toString(), QStringLiteral("A%1").arg(i));
        QCOMPARE(cellOf(task, r, QStringLiteral("Activity status")).toString(), QLatin1String(states[i % 3]));
        QCOMPARE(cellOf(task, r, QStringLiteral("Activity Name")).toString(), QString::fromUtf8(nameOf(i)));
        QCOMPARE(cellOf(task, r, QStringLiteral("Actual Start")).toDateTime(),
                 QDateTime(QDate(2024, 1, 10 + i % 20), QTime(8, 0)));
    }
    QCOMPARE(loader->loadNotes().unreadValues.value(QStringLiteral("TASK")), 1);
    QCOMPARE(loader->loadNotes().withoutIds.value(QStringLiteral("TASK")), 1);
    QCOMPARE(loader->loadNotes().repeatedTables.value(QStringLiteral("TASK")), 2);

    // A value written into a join's unmatched cell is read through the join.
    auto *activities = qobject_cast<ZJoinProxyModel *>(loader->model(QStringLiteral("ActivityModel")));
    QVERIFY(activities);
    const int lastColumn = activities->columnCount() - 1;
    int unmatched = -1;
    for (int r = 0; r < activities->rowCount() && unmatched < 0; ++r) {
        if (!activities->index(r, lastColumn).data().isValid())
            unmatched = r;
    }
    QVERIFY(unmatched >= 0);
    QVERIFY(activities->setData(activities->index(unmatched, lastColumn), QStringLiteral("band"), Qt::DisplayRole));
    QCOMPARE(ColumnReader(activities, lastColumn).value(unmatched), QVariant(QStringLiteral("band")));

    // The structure table answers the standard flags without an item lookup
    // until an item is given flags of its own.
    auto *structure = qobject_cast<QStandardItemModel *>(activities->sourceModel());
    QVERIFY(structure);
    const Qt::ItemFlags standard = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable
                                   | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    QCOMPARE(activities->flags(activities->index(5, 0)), standard);
    structure->item(5, 0)->setFlags(Qt::ItemIsEnabled);
    QCOMPARE(activities->flags(activities->index(5, 0)), Qt::ItemIsEnabled);
    QCOMPARE(activities->flags(activities->index(6, 0)), standard);
    auto *own = new QStandardItem;
    own->setFlags(Qt::ItemIsSelectable);
    structure->appendRow(own);
    QCOMPARE(structure->flags(structure->index(structure->rowCount() - 1, 0)), Qt::ItemIsSelectable);
    structure->removeRows(structure->rowCount() - 1, 1);

    // Columns read straight from the tables give what the models give.
    for (const QString &name : loader->modelNames()) {
        const QAbstractItemModel *model = loader->model(name);
        for (int c = 0; c < model->columnCount(); ++c) {
            const ColumnReader reader(model, c);
            for (int r = 0; r < model->rowCount(); r += 7)
                QCOMPARE(reader.value(r), model->index(r, c).data());
        }
    }
}

void tst_XERLoader::largeAndOddFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("throughPipe");
    QTest::addColumn<int>("memoryMb"); // room left to the load; 0 for no limit
    QTest::addColumn<int>("freeMb"); // what the machine shows free; 0 for what it has
    // Once the file is read: what the machine shows free, or, negative, what the process has grown by.
    QTest::addColumn<int>("laterMb");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("activities");
    QTest::addColumn<int>("wbsChildren"); // children of the first WBS node, grouped
    QTest::addColumn<int>("longestName");
    QTest::addRow("memory runs out") << wideWbs(100000) << false << 16 << 0 << 0 << 4 << 0 << 0 << 0;
    QTest::addRow("100,000 WBS nodes under one") << wideWbs(100000) << false << 0 << 0 << 0 << 0 << 100000 << 100000
                                                 << 14;
    const QByteArray longName = header() + table("TASK", "task_id\ttask_name", {"1\t" + QByteArray(16 << 20, 'n')});
    QTest::addRow("a 16 MiB name") << longName << false << 0 << 0 << 0 << 0 << 1 << 0 << (16 << 20);
    // A pipe's size reads as 0.
    QTest::addRow("read from a pipe") << project() << true << 0 << 0 << 0 << 0 << 4 << 1 << 9;
    // 400,000 records of one cell each: 2 MB that take 90 MB in their
    // table's columns. Written when the row runs, not in the limited rows' heap.
    QTest::addRow("records far larger read than written") << QByteArray() << false << 0 << 64 << 0 << 4 << 0 << 0 << 0;
    // Each refused by one step's hold alone. Not made where a limit's heap would keep their blocks.
    if (qEnvironmentVariableIsSet("TST_XERLOADER_MEMORY_CHILD"))
        return;
    const QByteArray calendar = header() + table("CALENDAR", "clndr_data", {}); // a table the loader passes over
    const QByteArray longLines = calendar + ("%R\t" + QByteArray(1 << 20, 'c') + "\r\n").repeated(22);
    QTest::addRow("a pipe's buffer past the room") << longLines << true << 0 << 24 << 0 << 4 << 0 << 0 << 0;
    QTest::addRow("long lines past what is free then") << longLines << false << 0 << 72 << 5 << 4 << 0 << 0 << 0;
    QTest::addRow("short lines past what is free then") << calendar + QByteArray("%R\tx\r\n").repeated(700000) << false
                                                        << 0 << 16 << 6 << 4 << 0 << 0 << 0;
    QTest::addRow("texts past what is free then") << longName << false << 0 << 64 << 16 << 4 << 0 << 0 << 0;
    QTest::addRow("process grown past the table's room") << wideWbs(8192) << false << 0 << 64 << -60 << 4 << 0 << 0 << 0;
}

namespace {

QByteArray oneCellAssignments()
{
    const QByteArray assignmentFields = "task_id\tproj_id\trole_id\tacct_id\trsrc_id\tpobs_id\tremain_qty\t"
            "target_qty\tremain_qty_per_hr\tact_ot_qty\tact_reg_qty\tcost_per_qty\ttarget_cost\tact_reg_cost\t"
            "act_ot_cost\tremain_cost\tact_start_date\tact_end_date\trestart_date\treend_date\ttarget_start_date\t"
            "target_end_date\trem_late_start_date\trem_late_end_date\trate_type";
    QList<QByteArray> oneCell;
    oneCell.reserve(400000);
    for (int i = 0; i < 400000; ++i)
        oneCell << QByteArrayLiteral("1");
    return header() + table("TASKRSRC", assignmentFields, oneCell);
}

} // namespace

void tst_XERLoader::largeAndOddFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, throughPipe);
    QFETCH(int, memoryMb);
    QFETCH(int, freeMb);
    QFETCH(int, laterMb);
    QFETCH(int, code);
    QFETCH(int, activities);
    QFETCH(int, wbsChildren);
    QFETCH(int, longestName);
    const char *const child = "TST_XERLOADER_MEMORY_CHILD";
    if (memoryMb > 0 && qEnvironmentVariableIsEmpty(child)) {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("address-space limit under AddressSanitizer");
#endif
        // The limit is set in a child process running this row, so that
        // nothing else of this run is short of memory.
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(child), QStringLiteral("1"));
        // One heap for all threads: the limit then bounds the heap, not the
        // unused reserve of a heap per thread.
        env.insert(QStringLiteral("MALLOC_ARENA_MAX"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("largeAndOddFiles:%1").arg(QLatin1String(QTest::currentDataTag()))});
        QVERIFY(process.waitForFinished(120000));
        const QByteArray output = process.readAllStandardOutput();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("PASS   : tst_XERLoader::largeAndOddFiles(memory runs out)"), output.constData());
        return;
    }

    if (content.isEmpty())
        content = oneCellAssignments();
    QTemporaryDir dir;
    QString path = writeFile(dir, QStringLiteral("odd.xer"), content);
    int pipeEnds[2] = {-1, -1};
    std::thread writer;
    if (throughPipe) {
        QVERIFY(::pipe(pipeEnds) == 0);
        writer = std::thread([&] {
            for (qint64 done = 0; done < content.size();) {
                const ssize_t n = ::write(pipeEnds[1], content.constData() + done, size_t(content.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
            ::close(pipeEnds[1]);
        });
        path = QStringLiteral("/dev/fd/%1").arg(pipeEnds[0]);
    }
    rlimit old{};
    if (memoryMb > 0) {
        QVERIFY(getrlimit(RLIMIT_AS, &old) == 0);
        QFile status(QStringLiteral("/proc/self/statm"));
        QVERIFY(status.open(QIODevice::ReadOnly));
        rlimit tight = old;
        tight.rlim_cur = rlim_t(status.readAll().split(' ').first().toLongLong()) * 4096 + rlim_t(memoryMb) * 1024 * 1024;
        QVERIFY(setrlimit(RLIMIT_AS, &tight) == 0);
    }
    QTemporaryDir shown;
    const auto show = [&shown](int free, int grown) { // the machine's free memory and the process's, as read

        writeFile(shown, QStringLiteral("proc/meminfo"), "MemAvailable: " + QByteArray::number(free << 10) + " kB\n");
        writeFile(shown, QStringLiteral("proc/self/statm"), "0 " + QByteArray::number((200 + grown) << 8) + " 0\n");
    };
    if (freeMb > 0) {
        QVERIFY(QDir(shown.path()).mkpath(QStringLiteral("proc/self")));
        show(freeMb, 0);
        memoryroom::setSystemRoot(QFile::encodeName(shown.path()).constData());
    }
    const auto unroot = qScopeGuard([] { memoryroom::setSystemRoot(nullptr); });
    Outcome outcome;
    if (freeMb > 0)
        outcome.fileRead = [&] { show(laterMb > 0 ? laterMb : freeMb, qMax(0, -laterMb)); };
    std::unique_ptr<XERLoader> loader = load(path, &outcome);
    if (memoryMb > 0 || freeMb > 0) {
        // What the failed load took is given back: a small project loads
        // under the same limit.
        Outcome small;
        const auto next = load(writeFile(dir, QStringLiteral("small.xer"), project()), &small);
        QVERIFY(memoryMb == 0 || setrlimit(RLIMIT_AS, &old) == 0);
        QCOMPARE(small.events.last(), QStringLiteral("finished"));
    }
    if (throughPipe) {
        // What a refused read left in the pipe, so that the writer ends.
        for (char rest[4096]; ::read(pipeEnds[0], rest, sizeof rest) > 0;) {
        }
        writer.join();
        ::close(pipeEnds[0]);
    }
    QCOMPARE(outcome.events.last(), code == 0 ? QStringLiteral("finished") : QStringLiteral("failed %1").arg(code));
    QCOMPARE(loader->readResult(), code);
    const QAbstractItemModel *activity = loader->model(QStringLiteral("ActivityModel"));
    QCOMPARE(activity ? activity->rowCount() : 0, activities);
    if (code != 0) {
        QVERIFY(loader->modelNames().isEmpty());
        return;
    }

    // Grouped by WBS as the activities pane does.
    QAbstractItemModel *wbs = loader->model(QStringLiteral("PROJWBS"));
    ZIndex index(activity, columnIndex(activity, QStringLiteral("wbs_id")));
    index.createStructure(wbs, columnIndex(wbs, QStringLiteral("wbs_id")),
                          columnIndex(wbs, QStringLiteral("parent_wbs_id")), 3);
    index.group(Qt::DisplayRole);
    const QString root = wbs->index(0, columnIndex(wbs, QStringLiteral("wbs_id"))).data().toString();
    QCOMPARE(index.childKeys.value(root).size(), wbsChildren);

    // The model keeps every name whole (the views bound what they lay out).
    const int nameColumn = columnIndex(activity, QStringLiteral("Activity Name"));
    int longest = 0;
    for (int r = 0; r < activity->rowCount(); ++r)
        longest = qMax(longest, activity->index(r, nameColumn).data().toString().size());
    QCOMPARE(longest, longestName);
}

class QueuedReceiver : public QObject
{
    Q_OBJECT
public:
    QStringList events; // "finished", "failed 4"

public slots:
    void progressed(int, const QString &) {}
    void finished() { events << QStringLiteral("finished"); }
    void failed(int code) { events << QStringLiteral("failed %1").arg(code); }
};

namespace {

// One memory point in this process, started cold: the read runs on Qt's
// pool as the window runs it, with a queued receiver, and this thread waits
// for its report or the end of its future. Prints "result R" (and for 0,
// the loaded text's hash and the read's allocations).
void runPoint(const QByteArray &spec, const QString &path)
{
    const QList<QByteArray> parts = spec.split(' ');
    QCOMPARE(parts.size(), 3);
    const bool viaMalloc = parts.at(0) == "malloc";
    const QByteArray mode = parts.at(1);
    const qint64 at = parts.at(2).toLongLong();
    allocations::t_waiting = true;
    // Qt's own data for item models, made once per process and never
    // unwound by Qt: a process that shows the window has it already.
    QStringListModel shown;
    std::unique_ptr<XERLoader> loader = std::make_unique<XERLoader>(path, schema());
    // Connected by name: a queued call to a slot object that cannot be
    // posted keeps its reference to the object (Qt), which leak checks
    // would report as the read's.
    QueuedReceiver receiver;
    QObject::connect(loader.get(), SIGNAL(progress(int, QString)), &receiver, SLOT(progressed(int, QString)),
                     Qt::QueuedConnection);
    QObject::connect(loader.get(), SIGNAL(finished()), &receiver, SLOT(finished()), Qt::QueuedConnection);
    QObject::connect(loader.get(), SIGNAL(failed(int)), &receiver, SLOT(failed(int)), Qt::QueuedConnection);
    std::atomic<qint64> calls(0);
    QFuture<void> future = QtConcurrent::run(QThreadPool::globalInstance(), [&] {
        const qint64 first = viaMalloc ? allocations::mallocCalls.load() : allocations::calls.load();
        allocations::failEvery.store(mode == "on");
        if (mode != "count")
            (viaMalloc ? allocations::mallocFailAt : allocations::failAt).store(first + at);
        loader->read();
        // What Qt's pool does after the read is Qt's own.
        allocations::failAt.store(-1);
        allocations::mallocFailAt.store(-1);
        calls = (viaMalloc ? allocations::mallocCalls.load() : allocations::calls.load()) - first;
    });
    // The report, or the end of a read whose report could not be queued.
    while (receiver.events.isEmpty() && !future.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    future.waitForFinished();
    QCoreApplication::processEvents();
    const int result = loader->readResult();
    if (!receiver.events.isEmpty())
        QCOMPARE(receiver.events.last(),
                 result == 0 ? QStringLiteral("finished") : QStringLiteral("failed %1").arg(result));
    QByteArray line = "result " + QByteArray::number(result);
    if (result == 0)
        line += ' ' + QCryptographicHash::hash(loadedText(*loader).toUtf8(), QCryptographicHash::Md5).toHex()
                + " calls " + QByteArray::number(calls.load());
    else
        QVERIFY(loader->modelNames().isEmpty());
    loader.reset();
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// glibc's malloc_info report.
QByteArray heapReport()
{
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    if (!out)
        return QByteArray();
    malloc_info(0, out);
    std::fclose(out);
    const QByteArray report(text, int(size));
    std::free(text);
    return report;
}

// The heaps (arenas) it reports.
int heapCount()
{
    return heapReport().count("<heap nr=");
}

// The heaps whose usable part (made read-write) is 64 MiB or more.
int wideHeapCount()
{
    const QByteArray report = heapReport();
    const QByteArray key = "<aspace type=\"mprotect\" size=\"";
    int wide = 0;
    for (int at = report.indexOf(key); at >= 0; at = report.indexOf(key, at + 1)) {
        const int from = at + key.size();
        if (report.mid(from, report.indexOf('"', from) - from).toLongLong() >= (qint64(64) << 20))
            ++wide;
    }
    return wide;
}

// In a cold process under an address-space limit: making a loader makes
// what a load would meet of Qt for the first time, where running out is a
// refused loader and not a crash inside Qt (the pool's thread, the workers
// with their Qt data, the item models' role names), and every thread takes
// its blocks from the one heap the limit leaves room for.
void checkPreparedLoads(const QString &path)
{
    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_AS, &old) == 0);
    rlimit limited = old;
    limited.rlim_cur = rlim_t(selfCount("/proc/self/statm", QByteArray()) * 4096) + (rlim_t(4) << 30);
    QVERIFY(setrlimit(RLIMIT_AS, &limited) == 0);
    const auto unlimit = qScopeGuard([&old] { setrlimit(RLIMIT_AS, &old); });
    const qint64 threads = selfCount("/proc/self/status", "Threads:");
    const int heaps = heapCount();
    const auto loader = std::make_unique<XERLoader>(path, schema());
    QCOMPARE(selfCount("/proc/self/status", "Threads:") - threads, 1 + qMax(1, QThread::idealThreadCount() - 1));
#if !defined(__SANITIZE_ADDRESS__) && !defined(SV_THREAD_SANITIZER)
    // The test's watchdog thread may have a heap of its own from before.
    QCOMPARE(heapCount(), heaps);
    // An item model and its role names take no more the first time: Qt's
    // default role names were made.
    const auto modelCalls = [] {
        const qint64 before = allocations::mallocCalls.load();
        QStringListModel().roleNames();
        return allocations::mallocCalls.load() - before;
    };
    const qint64 first = modelCalls();
    QCOMPARE(first, modelCalls());
#endif
}

// In a cold process without a limit: the read's threads make their heaps
// with the read's growth step, so a read's blocks do not grow them a page,
// one system call, at a time.
void checkWideHeaps(const QString &path)
{
    const int wide = wideHeapCount();
    const auto loader = std::make_unique<XERLoader>(path, schema());
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(SV_THREAD_SANITIZER)
    // The pool's thread and every worker (the main heap may grow wide too).
    const int made = wideHeapCount() - wide;
    QVERIFY2(made >= 1 + qMax(1, QThread::idealThreadCount() - 1), QByteArray::number(made).constData());
    // Wide heaps carve even large blocks from their tops: what the read
    // freed there has gone back by the time it reports.
    QTemporaryDir dir;
    Outcome outcome;
    const auto read = load(writeFile(dir, QStringLiteral("w.xer"), wideWbs(8192, 5)), &outcome);
    QCOMPARE(outcome.events.last(), QStringLiteral("finished"));
    const qint64 resident = selfCount("/proc/self/status", "VmRSS:");
    malloc_trim(0);
    const qint64 kept = resident - selfCount("/proc/self/status", "VmRSS:");
    // kB: 12 MiB and more are kept on eight cores when the read gives back nothing.
    QVERIFY2(kept < 6 * 1024, QByteArray::number(kept).constData());
#endif
}

} // namespace

void tst_XERLoader::memoryRunsOutAnywhere_data()
{
    QTest::addColumn<QByteArray>("allocator"); // "new" or "malloc"
    QTest::addColumn<bool>("fresh");           // a process of its own per point
    if (qEnvironmentVariableIsSet(kPointVariable)) {
        QTest::addRow("point") << QByteArray() << true;
        return;
    }
    QTest::addRow("operator new, one process") << QByteArray("new") << false;
    QTest::addRow("operator new, a cold process per point") << QByteArray("new") << true;
    QTest::addRow("malloc and realloc, a cold process per point") << QByteArray("malloc") << true;
    QTest::addRow("no room for the structure table") << QByteArray("room") << false;
    QTest::addRow("no room for the structure table's rows") << QByteArray("room for rows") << false;
    QTest::addRow("no room for the relation texts beside the table") << QByteArray("room for texts") << false;
    QTest::addRow("no room for the steps' columns beside the table") << QByteArray("room for steps") << false;
    QTest::addRow("no room for the read's thread") << QByteArray("room for the thread") << false;
    QTest::addRow("operator new in the loader's making, connections too") << QByteArray("make") << false;
    QTest::addRow("a loader makes what a load meets first, under a limit") << QByteArray("prepared") << true;
    QTest::addRow("a loader's threads make their heaps wide") << QByteArray("wide heaps") << true;
}

void tst_XERLoader::memoryRunsOutAnywhere()
{
    QFETCH(QByteArray, allocator);
    QFETCH(bool, fresh);
    if (allocator == "make") {
        // Memory running out at any point of a loader's making, a
        // connection's bookkeeping included, leaves nothing half made that
        // its unwinding would follow: the loader is refused whole.
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("k.xer"), project());
        const QJsonDocument tables = schema();
        const qint64 first = allocations::calls.load();
        { const XERLoader counted(path, tables); }
        const qint64 calls = allocations::calls.load() - first;
        const auto restore = qScopeGuard([] {
            allocations::failAt.store(-1);
            allocations::spareConnections.store(true);
        });
        int refused = 0;
        for (qint64 at = 0; at < calls; ++at) {
            allocations::spareConnections.store(false);
            allocations::failAt.store(allocations::calls.load() + at);
            try {
                const XERLoader loader(path, tables);
            } catch (const std::bad_alloc &) {
                ++refused;
            }
            allocations::failAt.store(-1);
            allocations::spareConnections.store(true);
        }
        QVERIFY(refused > 0);
        return;
    }
    if (allocator == "room for the thread") {
        // Qt's pool makes a thread for a read when none of its own is free;
        // one that cannot start never runs the read: the loader is refused.
        // Its own thread, idle, needs no room.
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("t.xer"), project());
        memoryroom::setCeiling(qint64(8) << 20);
        const auto unbound = qScopeGuard([] { memoryroom::setCeiling(-1); });
        QTRY_COMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        XERLoader idle(path, schema());
        // Shared with the job: released as this row ends, the job may only
        // then begin or wake, and must not find the semaphore gone (it would
        // wait on whatever took its place, and the pool at the process's
        // end for it).
        const auto hold = std::make_shared<QSemaphore>();
        QThreadPool::globalInstance()->start([hold] { hold->acquire(); });
        const auto release = qScopeGuard([hold] { hold->release(); });
        QVERIFY_EXCEPTION_THROWN(XERLoader(path, schema()), std::bad_alloc);
        return;
    }
    if (allocator.startsWith("room")) {
        // Qt's GUI library cannot unwind memory running out: without the room
        // its table takes for every row (8 MiB for 8,192), for the 40,000
        // relations' texts beside it (5 MiB more), and for the columns the
        // steps before it fill meanwhile (1 MiB), the load fails before
        // filling it.
        const bool rows = allocator == "room for rows";
        const bool texts = allocator == "room for texts";
        const bool steps = allocator == "room for steps";
        const qint64 room = rows ? qint64(6) << 20 : texts ? qint64(10) << 20 : steps ? qint64(9) << 20 : 0;
        QTemporaryDir dir;
        Outcome outcome;
        const QByteArray file = rows || steps ? wideWbs(8192) : texts ? wideWbs(8192, 5) : project();
        const auto loader = load(writeFile(dir, QStringLiteral("r.xer"), file), &outcome, room);
        // The pool's thread, made before the first read, is kept for the next.
        QCOMPARE(QThreadPool::globalInstance()->expiryTimeout(), -1);
        QCOMPARE(outcome.events.last(), QStringLiteral("failed 4"));
        QVERIFY(loader->modelNames().isEmpty());
        return;
    }
    if (fresh) {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QStringLiteral("m.xer"), project());
        if (allocator.isEmpty()) {
            if (qgetenv(kPointVariable) == "prepared")
                checkPreparedLoads(path);
            else if (qgetenv(kPointVariable) == "wide heaps")
                checkWideHeaps(path);
            else
                runPoint(qgetenv(kPointVariable), path);
            return;
        }
        if (allocator == "prepared" || allocator == "wide heaps") {
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QLatin1String(kPointVariable), QString::fromLatin1(allocator));
            process.setProcessEnvironment(env);
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("memoryRunsOutAnywhere:point")});
            QVERIFY(process.waitForFinished(60000));
            const QByteArray output = process.readAll();
            QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, output.constData());
            QVERIFY2(output.contains("PASS   : tst_XERLoader::memoryRunsOutAnywhere(point)"), output.constData());
            return;
        }
#if defined(__SANITIZE_ADDRESS__)
        if (allocator == "malloc")
            QSKIP("malloc belongs to AddressSanitizer here");
#endif
        // Memory runs out on the read's thread or a worker, once or from
        // then on, from the read's first allocation: the process ends
        // whole, with the whole project or 4, and in time.
        const auto run = [&](const QByteArray &mode, qint64 at) {
            const QByteArray spec = allocator + ' ' + mode + ' ' + QByteArray::number(at);
            QProcess process;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QLatin1String(kPointVariable), QString::fromLatin1(spec));
            process.setProcessEnvironment(env);
            process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("memoryRunsOutAnywhere:point")});
            if (!process.waitForFinished(60000)) {
                process.kill();
                process.waitForFinished();
                return spec + ": no end in 60 s";
            }
            const QByteArray output = process.readAllStandardOutput();
            if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
                return spec + ": ended by " + QByteArray::number(process.exitCode()) + '\n' + output
                       + process.readAllStandardError();
            const int line = output.indexOf("result ");
            return line < 0 ? spec + ": no result\n" + output : output.mid(line, output.indexOf('\n', line) - line);
        };
        const QByteArray counted = run("count", 0);
        QVERIFY2(counted.startsWith("result 0 "), counted.constData());
        const QByteArray whole = counted.split(' ').at(2);
        const qint64 calls = counted.split(' ').at(4).toLongLong();
        // The first allocations of the read, then points spread over it.
#if defined(__SANITIZE_ADDRESS__)
        const qint64 points = 8;
#else
        const qint64 points = 48;
#endif
        QList<qint64> ats = {0, 1, 2, 3, 4, 5};
        for (qint64 point = 1; point < points; ++point)
            ats << calls * point / points;
        for (const QByteArray mode : {QByteArray("once"), QByteArray("on")}) {
            for (qint64 at : ats) {
                const QByteArray outcome = run(mode, at);
                QVERIFY2(outcome == "result 4" || outcome.startsWith("result 0 " + whole + ' '),
                         (mode + ' ' + QByteArray::number(at) + ": " + outcome).constData());
            }
        }
        return;
    }
    // Memory runs out at points spread over a whole load, once or from then
    // on: the load gives the whole project or fails with 4, and deleting the
    // loader leaves nothing of it alive.
    QTemporaryDir dir;
    const QString path = writeFile(dir, QStringLiteral("m.xer"), project());
    // What Qt keeps for each thread that meets a QObject is made first, on
    // every worker of the pool.
    std::atomic<int> met(0);
    parallelFor(QThread::idealThreadCount(), [&met](int) {
        QThread::currentThread();
        for (met.fetch_add(1); met.load() < QThread::idealThreadCount();)
            QThread::yieldCurrentThread();
    });
    const QJsonDocument tables = schema();
    auto loader = std::make_unique<XERLoader>(path, tables);
    const qint64 before = allocations::calls.load();
    loader->read();
    const qint64 calls = allocations::calls.load() - before;
    const QString whole = loadedText(*loader);
    QCOMPARE(loader->modelNames(), allModelNames());
    loader.reset();
    // The warnings of the failed loads go nowhere, allocating nothing.
    const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const auto restore = qScopeGuard([previous] {
        allocations::failAt.store(-1);
        qInstallMessageHandler(previous);
    });
    // Every allocation, or 200 spread over the load where each is slow.
#if defined(__SANITIZE_ADDRESS__)
    const qint64 points = 200;
#else
    const qint64 points = qMax<qint64>(calls, 200);
#endif
    for (qint64 point = 0; point < 2 * points; ++point) {
        const qint64 at = calls * (point % points) / points;
        const QByteArray where = QByteArray::number(at) + (point < points ? " once" : " and on");
        const qint64 baseline = allocations::live.load();
        allocations::failedInGui.store(false);
        loader = std::make_unique<XERLoader>(path, tables);
        const qint64 made = allocations::live.load();
        allocations::failEvery.store(point >= points);
        allocations::failAt.store(allocations::calls.load() + at);
        loader->read();
        allocations::failAt.store(-1);
        QVERIFY2(ReadHeapPadding::inForce(), where);
        const int result = loader->readResult();
        QVERIFY2(result == 0 ? loadedText(*loader) == whole : result == 4 && loader->modelNames().isEmpty(), where);
        // A failed read lets go at once of what it held of the file (its
        // bytes, lines and notes): the loader lives on until its receiver
        // deletes it.
        if (result == 4 && !allocations::failedInGui.load())
            QTRY_VERIFY2(allocations::live.load() <= made, where);
        loader.reset();
        // A worker may still let go of its last job (or of one from before:
        // at most).
        if (!allocations::failedInGui.load())
            QTRY_VERIFY2(allocations::live.load() <= baseline, where);
    }
}

QTEST_GUILESS_MAIN(tst_XERLoader)
#include "tst_xerloader.moc"
