#include "zdoci_client.h"
#include "zdoci_p.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QMutex>
#include <QSysInfo>

#include <atomic>

// X(name, return-free parameter list, argument names)
#define ZDOCI_ENTRY_POINTS(X) \
    X(OCIDescriptorAlloc, (const void *a, void **b, uint32_t c, size_t d, void **e), (a, b, c, d, e)) \
    X(OCIDescriptorFree, (void *a, uint32_t b), (a, b)) \
    X(OCIServerVersion, (void *a, OCIError *b, uint8_t *c, uint32_t d, uint8_t e), (a, b, c, d, e)) \
    X(OCIAttrGet, (const void *a, uint32_t b, void *c, uint32_t *d, uint32_t e, OCIError *f), (a, b, c, d, e, f)) \
    X(OCIAttrSet, (void *a, uint32_t b, void *c, uint32_t d, uint32_t e, OCIError *f), (a, b, c, d, e, f)) \
    X(OCIServerAttach, (OCIServer *a, OCIError *b, const uint8_t *c, int32_t d, uint32_t e), (a, b, c, d, e)) \
    X(OCIServerDetach, (OCIServer *a, OCIError *b, uint32_t c), (a, b, c)) \
    X(OCISessionBegin, (OCISvcCtx *a, OCIError *b, OCISession *c, uint32_t d, uint32_t e), (a, b, c, d, e)) \
    X(OCISessionEnd, (OCISvcCtx *a, OCIError *b, OCISession *c, uint32_t d), (a, b, c, d)) \
    X(OCIStmtFetch, (OCIStmt *a, OCIError *b, uint32_t c, uint16_t d, uint32_t e), (a, b, c, d, e)) \
    X(OCIParamGet, (const void *a, uint32_t b, OCIError *c, void **d, uint32_t e), (a, b, c, d, e)) \
    X(OCITransStart, (OCISvcCtx *a, OCIError *b, uint32_t c, uint32_t d), (a, b, c, d)) \
    X(OCITransCommit, (OCISvcCtx *a, OCIError *b, uint32_t c), (a, b, c)) \
    X(OCITransRollback, (OCISvcCtx *a, OCIError *b, uint32_t c), (a, b, c)) \
    X(OCIBindByPos, (OCIStmt *a, OCIBind **b, OCIError *c, uint32_t d, void *e, int32_t f, uint16_t g, \
                     void *h, uint16_t *i, uint16_t *j, uint32_t k, uint32_t *l, uint32_t m), \
      (a, b, c, d, e, f, g, h, i, j, k, l, m)) \
    X(OCIBindArrayOfStruct, (OCIBind *a, OCIError *b, uint32_t c, uint32_t d, uint32_t e, uint32_t f), (a, b, c, d, e, f)) \
    X(OCIHandleAlloc, (const void *a, void **b, uint32_t c, size_t d, void **e), (a, b, c, d, e)) \
    X(OCIHandleFree, (void *a, uint32_t b), (a, b)) \
    X(OCIErrorGet, (void *a, uint32_t b, uint8_t *c, int32_t *d, uint8_t *e, uint32_t f, uint32_t g), (a, b, c, d, e, f, g)) \
    X(OCIEnvCreate, (OCIEnv **a, uint32_t b, void *c, OCIMallocFn d, OCIReallocFn e, OCIFreeFn f, size_t g, void **h), \
      (a, b, c, d, e, f, g, h)) \
    X(OCINumberFromInt, (OCIError *a, const void *b, uint32_t c, uint32_t d, OCINumber *e), (a, b, c, d, e)) \
    X(OCINumberToInt, (OCIError *a, const OCINumber *b, uint32_t c, uint32_t d, void *e), (a, b, c, d, e)) \
    X(OCILobCharSetForm, (OCIEnv *a, OCIError *b, const OCILobLocator *c, uint8_t *d), (a, b, c, d)) \
    X(OCILobGetLength, (OCISvcCtx *a, OCIError *b, OCILobLocator *c, uint32_t *d), (a, b, c, d)) \
    X(OCILobRead, (OCISvcCtx *a, OCIError *b, OCILobLocator *c, uint32_t *d, uint32_t e, void *f, uint32_t g, \
                   void *h, OCICallbackLobRead i, uint16_t j, uint8_t k), (a, b, c, d, e, f, g, h, i, j, k)) \
    X(OCIDefineByPos, (OCIStmt *a, OCIDefine **b, OCIError *c, uint32_t d, void *e, int32_t f, uint16_t g, \
                       void *h, uint16_t *i, uint16_t *j, uint32_t k), (a, b, c, d, e, f, g, h, i, j, k)) \
    X(OCIStmtGetPieceInfo, (OCIStmt *a, OCIError *b, void **c, uint32_t *d, uint8_t *e, uint32_t *f, \
                            uint32_t *g, uint8_t *h), (a, b, c, d, e, f, g, h)) \
    X(OCIStmtExecute, (OCISvcCtx *a, OCIStmt *b, OCIError *c, uint32_t d, uint32_t e, const OCISnapshot *f, \
                       OCISnapshot *g, uint32_t h), (a, b, c, d, e, f, g, h)) \
    X(OCIStmtPrepare, (OCIStmt *a, OCIError *b, const uint8_t *c, uint32_t d, uint32_t e, uint32_t f), \
      (a, b, c, d, e, f)) \
    X(OCIStmtSetPieceInfo, (void *a, uint32_t b, OCIError *c, const void *d, uint32_t *e, uint8_t f, \
                            const void *g, uint16_t *h), (a, b, c, d, e, f, g, h))

namespace {

std::atomic<bool> g_initialised{false};

// Atomic slots: a thread may still be reloading an incomplete table while
// another one calls through it.
#define ZDOCI_DECLARE_POINTER(name, params, args) \
    using name##_t = int32_t(*) params; \
    std::atomic<name##_t> P_##name{nullptr};
ZDOCI_ENTRY_POINTS(ZDOCI_DECLARE_POINTER)
#undef ZDOCI_DECLARE_POINTER

QMutex &initMutex()
{
    static QMutex mutex;
    return mutex;
}

QString clientLibraryPath(bool *unsupported)
{
    const QString kernel = QSysInfo::kernelType();
    const QString arch = QSysInfo::buildCpuArchitecture();
    const QString folder = QFileInfo(QCoreApplication::applicationFilePath()).path()
            + QLatin1String("/oradrv/");
    *unsupported = false;
    if (kernel == QLatin1String("winnt"))
        return folder + (arch == QLatin1String("i386") ? QLatin1String("/win32/oci.dll")
                                                       : QLatin1String("/win64/oci.dll"));
    if (kernel == QLatin1String("linux"))
        return folder + (arch == QLatin1String("i386") ? QLatin1String("/linux32/liboci.so")
                                                       : QLatin1String("/linux64/oci.so"));
    if (kernel == QLatin1String("darwin"))
        return folder + QLatin1String("/osx/libociicus.dylib");
    *unsupported = true;
    return QString();
}

} // namespace

void ZDOCI_init()
{
    // Drivers are made on worker threads: two first calls must not load and
    // fill the table at the same time.
    QMutexLocker locker(&initMutex());
    if (g_initialised.load(std::memory_order_acquire))
        return;

    QLibrary library;
    bool unsupported = false;
    const QString path = clientLibraryPath(&unsupported);
    if (unsupported) {
        qCWarning(lcZdoci, "ZDOCI unsupported platform");
        return;
    }
    library.setFileName(path);
    bool loaded = library.load();
    if (!loaded && QSysInfo::kernelType() == QLatin1String("darwin")) {
        library.setFileName(QFileInfo(QCoreApplication::applicationFilePath()).path()
                            + QLatin1String("/../PlugIns/oradrv/osx/libociicus.dylib"));
        loaded = library.load();
    }
    if (!loaded) {
        qCWarning(lcZdoci, "Error while load library");
        qCWarning(lcZdoci, "%s", library.errorString().toUtf8().constData());
        return;
    }

    bool complete = true;
#define ZDOCI_RESOLVE(name, params, args) \
    { \
        auto fn = reinterpret_cast<name##_t>(library.resolve(#name)); \
        P_##name.store(fn, std::memory_order_relaxed); \
        complete = complete && fn; \
    }
    ZDOCI_ENTRY_POINTS(ZDOCI_RESOLVE)
#undef ZDOCI_RESOLVE
    g_initialised.store(complete, std::memory_order_release);
}

#define ZDOCI_DEFINE_WRAPPER(name, params, args) \
    int32_t D_##name params \
    { \
        if (!g_initialised.load(std::memory_order_acquire)) \
            ZDOCI_init(); \
        const name##_t fn = P_##name.load(std::memory_order_relaxed); \
        return fn ? fn args : OCI_ERROR; \
    }
ZDOCI_ENTRY_POINTS(ZDOCI_DEFINE_WRAPPER)
#undef ZDOCI_DEFINE_WRAPPER
