#pragma once

// The part of the Oracle Call Interface that the ZDOCI driver calls: opaque
// handle types, integer types, the constants the driver passes, and the
// wrappers D_<name> over the 30 entry points that ZDOCI_init resolves from
// the client library at run time. The library itself is never linked.
//
// Constants marked "(ours)" are values this header fixes on its own; with a
// vendor library they would have to match its numbering. Unmarked values are
// the ones the driver's callers and the client agree on as documented.

#include <cstddef>
#include <cstdint>

extern "C" {

struct OCIEnv;
struct OCIError;
struct OCISvcCtx;
struct OCIServer;
struct OCISession;
struct OCIStmt;
struct OCIBind;
struct OCIDefine;
struct OCIParam;
struct OCISnapshot;
struct OCILobLocator;
struct OCIRowid;
struct OCITrans;

// An Oracle number in the client's 22-byte form; the driver never looks inside.
struct OCINumber
{
    unsigned char bytes[22];
};

typedef int32_t (*OCICallbackLobRead)(void *context, const void *buffer, uint32_t length,
                                      uint8_t piece);
typedef void *(*OCIMallocFn)(void *context, size_t size);
typedef void *(*OCIReallocFn)(void *context, void *memory, size_t size);
typedef void (*OCIFreeFn)(void *context, void *memory);

} // extern "C"

// Status results.
enum : int32_t {
    OCI_SUCCESS = 0,
    OCI_SUCCESS_WITH_INFO = 1,
    OCI_ERROR = -1,
    OCI_INVALID_HANDLE = -2, // (ours)
    OCI_NEED_DATA = 99,
    OCI_NO_DATA = 100
};

enum : uint32_t {
    OCI_DEFAULT = 0,
    OCI_THREADED = 0x1,
    OCI_OBJECT = 0x2,
    OCI_UTF16 = 0x4000,
    OCI_COMMIT_ON_SUCCESS = 0x20,
    OCI_TRANS_READWRITE = 0x200,
    OCI_DYNAMIC_FETCH = 0x2,      // (ours)
    OCI_NTV_SYNTAX = 1,           // (ours)
    OCI_FETCH_NEXT = 0x2,         // (ours)
    OCI_NUMBER_UNSIGNED = 0,      // (ours)
    OCI_NUMBER_SIGNED = 2,        // (ours)
    OCI_CRED_RDBMS = 1,
    OCI_CRED_EXT = 2
};

// Handle and descriptor types.
enum : uint32_t {
    OCI_HTYPE_ENV = 1,
    OCI_HTYPE_ERROR = 2,
    OCI_HTYPE_SVCCTX = 3,
    OCI_HTYPE_STMT = 4,           // (ours)
    OCI_HTYPE_BIND = 5,           // (ours)
    OCI_HTYPE_DEFINE = 6,         // (ours)
    OCI_HTYPE_SERVER = 8,
    OCI_HTYPE_SESSION = 9,
    OCI_HTYPE_TRANS = 10,
    OCI_DTYPE_LOB = 50,           // (ours)
    OCI_DTYPE_PARAM = 53,         // (ours)
    OCI_DTYPE_ROWID = 54          // (ours)
};

// Attributes. Parameter attributes are read as: DATA_TYPE, DATA_SIZE,
// CHAR_SIZE and PRECISION uint16_t, SCALE int8_t, IS_NULL uint8_t, NAME a
// UTF-16 pointer with its byte length; statement STMT_TYPE uint16_t,
// PARAM_COUNT uint32_t, ROW_COUNT int32_t (ours).
enum : uint32_t {
    OCI_ATTR_DATA_SIZE = 1,       // (ours)
    OCI_ATTR_DATA_TYPE = 2,       // (ours)
    OCI_ATTR_NAME = 4,            // (ours)
    OCI_ATTR_PRECISION = 5,       // (ours)
    OCI_ATTR_SERVER = 6,
    OCI_ATTR_SESSION = 7,
    OCI_ATTR_TRANS = 8,
    OCI_ATTR_ROW_COUNT = 9,       // (ours)
    OCI_ATTR_PREFETCH_ROWS = 11,  // (ours)
    OCI_ATTR_PREFETCH_MEMORY = 13,// (ours)
    OCI_ATTR_SCALE = 14,          // (ours)
    OCI_ATTR_PARAM_COUNT = 18,    // (ours)
    OCI_ATTR_ROWID = 19,          // (ours)
    OCI_ATTR_USERNAME = 22,
    OCI_ATTR_PASSWORD = 23,
    OCI_ATTR_STMT_TYPE = 24,      // (ours)
    OCI_ATTR_IS_NULL = 25,        // (ours)
    OCI_ATTR_CHARSET_ID = 31,     // (ours)
    OCI_ATTR_CHARSET_FORM = 32,   // (ours)
    OCI_ATTR_CHAR_SIZE = 286      // (ours)
};

// Statement types read through OCI_ATTR_STMT_TYPE.
enum : uint16_t {
    OCI_STMT_SELECT = 1,
    OCI_STMT_UPDATE = 2,          // (ours)
    OCI_STMT_DELETE = 3,          // (ours)
    OCI_STMT_INSERT = 4,          // (ours)
    OCI_STMT_CREATE = 5,          // (ours)
    OCI_STMT_DROP = 6,            // (ours)
    OCI_STMT_ALTER = 7,           // (ours)
    OCI_STMT_BEGIN = 8,           // (ours)
    OCI_STMT_DECLARE = 9          // (ours)
};

// Pieces of a piecewise transfer (ours).
enum : uint8_t {
    OCI_ONE_PIECE = 0,
    OCI_FIRST_PIECE = 1,
    OCI_NEXT_PIECE = 2,
    OCI_LAST_PIECE = 3
};

// External data types.
enum : uint16_t {
    SQLT_CHR = 1,
    SQLT_NUM = 2,
    SQLT_INT = 3,
    SQLT_FLT = 4,
    SQLT_STR = 5,
    SQLT_VNU = 6,
    SQLT_LNG = 8,
    SQLT_VCS = 9,
    SQLT_RID = 11,
    SQLT_DAT = 12,
    SQLT_VBI = 15,
    SQLT_BIN = 23,
    SQLT_LBI = 24,
    SQLT_UIN = 68,
    SQLT_LVC = 94,
    SQLT_LVB = 95,
    SQLT_AFC = 96,
    SQLT_AVC = 97,
    SQLT_RDD = 104,
    SQLT_NTY = 108,
    SQLT_REF = 110,
    SQLT_CLOB = 112,
    SQLT_BLOB = 113,
    SQLT_BFILEE = 114,
    SQLT_VST = 155,
    SQLT_ODT = 156,
    SQLT_TIMESTAMP = 187,
    SQLT_TIMESTAMP_TZ = 188,
    SQLT_INTERVAL_YM = 189,
    SQLT_INTERVAL_DS = 190,
    SQLT_TIMESTAMP_LTZ = 232
};

enum : uint8_t { SQLCS_IMPLICIT = 1, SQLCS_NCHAR = 2 };
enum : uint16_t { OCI_UTF16ID = 1000, OCI_UTF16LEID = 2002 };
enum : int32_t { SB4MAXVAL = 2147483647 };

// Loads the client library beside the executable and resolves the entry
// points. The wrappers run it for as long as the table is incomplete; runs
// are serialised, so drivers may be made on several threads at once.
void ZDOCI_init();

int32_t D_OCIDescriptorAlloc(const void *parent, void **descriptor, uint32_t type, size_t extraMemory,
                             void **userMemory);
int32_t D_OCIDescriptorFree(void *descriptor, uint32_t type);
int32_t D_OCIServerVersion(void *handle, OCIError *error, uint8_t *buffer, uint32_t bufferSize,
                           uint8_t handleType);
int32_t D_OCIAttrGet(const void *handle, uint32_t handleType, void *attribute, uint32_t *size,
                     uint32_t attributeType, OCIError *error);
int32_t D_OCIAttrSet(void *handle, uint32_t handleType, void *attribute, uint32_t size,
                     uint32_t attributeType, OCIError *error);
int32_t D_OCIServerAttach(OCIServer *server, OCIError *error, const uint8_t *connect, int32_t length,
                          uint32_t mode);
int32_t D_OCIServerDetach(OCIServer *server, OCIError *error, uint32_t mode);
int32_t D_OCISessionBegin(OCISvcCtx *context, OCIError *error, OCISession *session,
                          uint32_t credentials, uint32_t mode);
int32_t D_OCISessionEnd(OCISvcCtx *context, OCIError *error, OCISession *session, uint32_t mode);
int32_t D_OCIStmtFetch(OCIStmt *statement, OCIError *error, uint32_t rows, uint16_t orientation,
                       uint32_t mode);
int32_t D_OCIParamGet(const void *handle, uint32_t handleType, OCIError *error, void **parameter,
                      uint32_t position);
int32_t D_OCITransStart(OCISvcCtx *context, OCIError *error, uint32_t timeout, uint32_t flags);
int32_t D_OCITransCommit(OCISvcCtx *context, OCIError *error, uint32_t flags);
int32_t D_OCITransRollback(OCISvcCtx *context, OCIError *error, uint32_t flags);
int32_t D_OCIBindByPos(OCIStmt *statement, OCIBind **bind, OCIError *error, uint32_t position,
                       void *value, int32_t valueSize, uint16_t dataType, void *indicator,
                       uint16_t *actualLength, uint16_t *returnCode, uint32_t maxArrayLength,
                       uint32_t *currentElements, uint32_t mode);
int32_t D_OCIBindArrayOfStruct(OCIBind *bind, OCIError *error, uint32_t valueSkip,
                               uint32_t indicatorSkip, uint32_t lengthSkip, uint32_t returnCodeSkip);
int32_t D_OCIHandleAlloc(const void *parent, void **handle, uint32_t type, size_t extraMemory,
                         void **userMemory);
int32_t D_OCIHandleFree(void *handle, uint32_t type);
int32_t D_OCIErrorGet(void *handle, uint32_t recordNumber, uint8_t *sqlState, int32_t *errorCode,
                      uint8_t *buffer, uint32_t bufferSize, uint32_t handleType);
int32_t D_OCIEnvCreate(OCIEnv **environment, uint32_t mode, void *context, OCIMallocFn allocate,
                       OCIReallocFn reallocate, OCIFreeFn release, size_t extraMemory,
                       void **userMemory);
int32_t D_OCINumberFromInt(OCIError *error, const void *integer, uint32_t integerLength,
                           uint32_t signFlag, OCINumber *number);
int32_t D_OCINumberToInt(OCIError *error, const OCINumber *number, uint32_t resultLength,
                         uint32_t signFlag, void *result);
int32_t D_OCILobCharSetForm(OCIEnv *environment, OCIError *error, const OCILobLocator *locator,
                            uint8_t *form);
int32_t D_OCILobGetLength(OCISvcCtx *context, OCIError *error, OCILobLocator *locator,
                          uint32_t *length);
int32_t D_OCILobRead(OCISvcCtx *context, OCIError *error, OCILobLocator *locator, uint32_t *amount,
                     uint32_t offset, void *buffer, uint32_t bufferLength, void *callbackContext,
                     OCICallbackLobRead callback, uint16_t charsetId, uint8_t charsetForm);
int32_t D_OCIDefineByPos(OCIStmt *statement, OCIDefine **define, OCIError *error, uint32_t position,
                         void *value, int32_t valueSize, uint16_t dataType, void *indicator,
                         uint16_t *length, uint16_t *returnCode, uint32_t mode);
int32_t D_OCIStmtGetPieceInfo(OCIStmt *statement, OCIError *error, void **handle, uint32_t *type,
                              uint8_t *direction, uint32_t *iteration, uint32_t *index,
                              uint8_t *piece);
int32_t D_OCIStmtExecute(OCISvcCtx *context, OCIStmt *statement, OCIError *error,
                         uint32_t iterations, uint32_t rowOffset, const OCISnapshot *snapshotIn,
                         OCISnapshot *snapshotOut, uint32_t mode);
int32_t D_OCIStmtPrepare(OCIStmt *statement, OCIError *error, const uint8_t *text, uint32_t length,
                         uint32_t language, uint32_t mode);
int32_t D_OCIStmtSetPieceInfo(void *handle, uint32_t type, OCIError *error, const void *buffer,
                              uint32_t *length, uint8_t piece, const void *indicator,
                              uint16_t *returnCode);
