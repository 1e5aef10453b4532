// Stand-in for the Oracle client library, for tests and the fetch bench.
// Exports the entry points the ZDOCI driver resolves, backed by SQLite:
// a connect text maps to a SQLite file (an unmapped absolute path opens that
// existing file), ":name" placeholders become "?",
// "RETURNING ... INTO :a, :b" hands the returned row to the INTO binds, and
// the session keeps one SQLite transaction open so that commit modes show.
// Column types come from the declared types (NUMBER(p,s), VARCHAR2(n), DATE,
// CLOB, BLOB, LONG, LONG RAW, RAW(n)); LONG and RAW columns are served in
// pieces, LOBs through locators. Numbers (SQLT_VNU) use a private form:
// byte 0 the length 9, byte 1 the sign, bytes 2-9 the magnitude.
// ocistub_* functions let a test map services, inject failures and read
// the log of what the client was asked.

#include "zdoci_client.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Handle
{
    explicit Handle(uint32_t t) : type(t) {}
    virtual ~Handle() = default;
    uint32_t type;
};

struct Error : Handle
{
    Error() : Handle(OCI_HTYPE_ERROR) {}
    bool has = false;
    int32_t code = 0;
    std::u16string message;
};

struct Server : Handle
{
    Server() : Handle(OCI_HTYPE_SERVER) {}
    ~Server() override { sqlite3_close_v2(db); }
    sqlite3 *db = nullptr;
};

struct Session : Handle
{
    Session() : Handle(OCI_HTYPE_SESSION) {}
    std::u16string user, password;
};

struct SvcCtx : Handle
{
    SvcCtx() : Handle(OCI_HTYPE_SVCCTX) {}
    Server *server = nullptr;
};

struct Lob : Handle
{
    Lob() : Handle(OCI_DTYPE_LOB) {}
    bool clob = false;
    std::string bytes; // UTF-16 for a CLOB
};

struct Rowid : Handle
{
    Rowid() : Handle(OCI_DTYPE_ROWID) {}
    int64_t rowid = 0;
};

struct Stmt;

struct Bind : Handle
{
    Bind() : Handle(OCI_HTYPE_BIND) {}
    char *value = nullptr;
    int32_t size = 0;
    uint16_t dty = 0;
    char *ind = nullptr;
    char *alen = nullptr;
    uint32_t *current = nullptr;
    uint32_t skipValue = 0, skipInd = 0, skipLen = 0;
};

struct Define : Handle
{
    Define() : Handle(OCI_HTYPE_DEFINE) {}
    Stmt *stmt = nullptr;
    int column = 0;
    char *value = nullptr;
    int32_t size = 0;
    uint16_t dty = 0;
    int16_t *ind = nullptr;
    bool dynamic = false;
};

struct Param : Handle
{
    Param() : Handle(OCI_DTYPE_PARAM) {}
    uint16_t dty = SQLT_CHR, size = 4000, charSize = 4000, precision = 0;
    int8_t scale = 0;
    uint8_t isNull = 1;
    std::u16string name;
};

struct Stmt : Handle
{
    Stmt() : Handle(OCI_HTYPE_STMT) {}
    ~Stmt() override
    {
        sqlite3_finalize(st);
        for (auto *h : binds) delete h;
        for (auto *h : defines) delete h;
        for (auto *h : params) delete h;
    }
    std::string sql;
    uint16_t kind = 0;
    int placeholders = 0, outs = 0;
    sqlite3_stmt *st = nullptr;
    std::vector<Bind *> binds;
    std::vector<Define *> defines;
    std::vector<Param *> params;
    int32_t rowCount = 0;
    int64_t lastRowid = 0;
    bool hasRowid = false;
    // piecewise state of the current row
    std::vector<std::pair<Define *, std::string>> pieces;
    std::vector<bool> pieceNull;
    size_t piece = 0, offset = 0;
    char *pieceBuffer = nullptr;
    uint32_t *pieceLength = nullptr;
};

struct Failure
{
    int32_t status, code;
    std::string message;
    int skip, times;
};

std::recursive_mutex g_mutex;
std::string g_log;
std::map<std::u16string, std::string> g_services;
std::map<std::string, std::string> g_config;
std::map<std::string, Failure> g_failures;
std::map<uint32_t, int> g_live;

std::u16string u16(const std::string &s)
{
    std::u16string r;
    for (unsigned char c : s)
        r += char16_t(c);
    return r;
}

std::string u8(const std::u16string &s)
{
    std::string r;
    for (char16_t c : s) {
        if (c < 0x80) {
            r += char(c);
        } else if (c < 0x800) {
            r += char(0xc0 | (c >> 6));
            r += char(0x80 | (c & 0x3f));
        } else {
            r += char(0xe0 | (c >> 12));
            r += char(0x80 | ((c >> 6) & 0x3f));
            r += char(0x80 | (c & 0x3f));
        }
    }
    return r;
}

std::u16string fromText(const void *p, size_t bytes)
{
    return std::u16string(static_cast<const char16_t *>(p), bytes / 2);
}

void log(const std::string &line)
{
    g_log += line;
    g_log += '\n';
}

int32_t fail(OCIError *err, int32_t code, const std::string &message, int32_t status = OCI_ERROR)
{
    if (auto *e = reinterpret_cast<Error *>(err)) {
        char head[16];
        std::snprintf(head, sizeof head, "ORA-%05d: ", code);
        e->has = true;
        e->code = code;
        e->message = u16(head + message + "\n");
    }
    return status;
}

int32_t injected(const char *name, OCIError *err)
{
    if (g_failures.empty())
        return 0;
    auto it = g_failures.find(name);
    if (it == g_failures.end())
        return 0;
    Failure &f = it->second;
    if (f.skip > 0) {
        --f.skip;
        return 0;
    }
    const Failure copy = f;
    if (--f.times == 0)
        g_failures.erase(it);
    if (copy.status == OCI_SUCCESS_WITH_INFO)
        return OCI_SUCCESS_WITH_INFO;
    return fail(err, copy.code, copy.message, copy.status);
}

// Every entry point: one lock, then an injected failure if one is due.
#define ENTRY(name, err) \
    std::lock_guard<std::recursive_mutex> lock_(g_mutex); \
    int32_t ok_ = injected(name, static_cast<OCIError *>(err)); \
    if (ok_ != OCI_SUCCESS && ok_ != OCI_SUCCESS_WITH_INFO) \
        return ok_;

int32_t sqliteFail(OCIError *err, sqlite3 *db)
{
    const int rc = sqlite3_errcode(db);
    const int32_t code = rc == SQLITE_CONSTRAINT ? 1 : 942;
    return fail(err, code, sqlite3_errmsg(db));
}

void run(sqlite3 *db, const char *sql)
{
    if (db)
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

Handle *newHandle(uint32_t type)
{
    switch (type) {
    case OCI_HTYPE_ENV: return new Handle(OCI_HTYPE_ENV);
    case OCI_HTYPE_ERROR: return new Error;
    case OCI_HTYPE_SVCCTX: return new SvcCtx;
    case OCI_HTYPE_SERVER: return new Server;
    case OCI_HTYPE_SESSION: return new Session;
    case OCI_HTYPE_TRANS: return new Handle(OCI_HTYPE_TRANS);
    case OCI_HTYPE_STMT: return new Stmt;
    case OCI_DTYPE_LOB: return new Lob;
    case OCI_DTYPE_ROWID: return new Rowid;
    default: return nullptr;
    }
}

// ---- numbers and dates ------------------------------------------------------------

void encodeNumber(void *out, int64_t v, bool isSigned)
{
    auto *b = static_cast<unsigned char *>(out);
    std::memset(b, 0, sizeof(OCINumber));
    const bool negative = isSigned && v < 0;
    uint64_t magnitude = negative ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    b[0] = 9;
    b[1] = negative;
    std::memcpy(b + 2, &magnitude, 8);
}

uint64_t decodeMagnitude(const void *in, bool *negative)
{
    const auto *b = static_cast<const unsigned char *>(in);
    uint64_t magnitude;
    std::memcpy(&magnitude, b + 2, 8);
    *negative = b[1];
    return magnitude;
}

int64_t decodeNumber(const void *in)
{
    bool negative;
    const uint64_t m = decodeMagnitude(in, &negative);
    return negative ? int64_t(uint64_t(0) - m) : int64_t(m);
}

std::string dateText(const unsigned char *b)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", b[0] * 100 + b[1] - 10100,
                  b[2], b[3], b[4] - 1, b[5] - 1, b[6] - 1);
    return text;
}

void dateBytes(const char *text, unsigned char *b)
{
    int f[6] = {0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 6 && text && *text; ++i) {
        while (*text >= '0' && *text <= '9')
            f[i] = f[i] * 10 + (*text++ - '0');
        if (*text)
            ++text;
    }
    const int y = f[0], mo = f[1], d = f[2], h = f[3], mi = f[4], s = f[5];
    b[0] = (unsigned char)(y / 100 + 100);
    b[1] = (unsigned char)(y % 100 + 100);
    b[2] = (unsigned char)mo;
    b[3] = (unsigned char)d;
    b[4] = (unsigned char)(h + 1);
    b[5] = (unsigned char)(mi + 1);
    b[6] = (unsigned char)(s + 1);
}

// ---- statements --------------------------------------------------------------------

std::string upper(std::string s)
{
    for (char &c : s)
        c = char(toupper((unsigned char)c));
    return s;
}

bool isNameChar(char c)
{
    return isalnum((unsigned char)c) || c == '_';
}

void prepareText(Stmt *s, const std::string &text)
{
    std::string sql = text;
    const std::string up = upper(text);
    s->outs = 0;
    const size_t returning = up.find(" RETURNING ");
    const size_t into = returning == std::string::npos ? std::string::npos
                                                       : up.find(" INTO ", returning);
    if (into != std::string::npos) {
        for (size_t i = into; i < sql.size(); ++i)
            s->outs += sql[i] == ':';
        sql.erase(into);
    }
    std::string out;
    bool quoted = false;
    s->placeholders = 0;
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'')
            quoted = !quoted;
        if (!quoted && c == ':' && i + 1 < sql.size() && isNameChar(sql[i + 1])) {
            while (i + 1 < sql.size() && isNameChar(sql[i + 1]))
                ++i;
            out += '?';
            ++s->placeholders;
            continue;
        }
        out += c;
    }
    s->placeholders += s->outs;
    s->sql = out;
    const std::string first = up.substr(up.find_first_not_of(" \t\r\n("), 8);
    static const std::pair<const char *, uint16_t> kinds[] = {
        {"SELECT", OCI_STMT_SELECT}, {"WITH", OCI_STMT_SELECT}, {"UPDATE", OCI_STMT_UPDATE},
        {"DELETE", OCI_STMT_DELETE}, {"INSERT", OCI_STMT_INSERT}, {"CREATE", OCI_STMT_CREATE},
        {"DROP", OCI_STMT_DROP},     {"BEGIN", OCI_STMT_BEGIN},   {"DECLARE", OCI_STMT_DECLARE}};
    s->kind = OCI_STMT_ALTER;
    for (const auto &k : kinds) {
        if (first.compare(0, strlen(k.first), k.first) == 0)
            s->kind = k.second;
    }
}

void describe(Stmt *s)
{
    for (auto *p : s->params)
        delete p;
    s->params.clear();
    const int n = sqlite3_column_count(s->st);
    for (int c = 0; c < n; ++c) {
        auto *p = new Param;
        std::string name = upper(sqlite3_column_name(s->st, c));
        p->name = u16(name);
        const char *decl = sqlite3_column_decltype(s->st, c);
        const std::string type = upper(decl ? decl : "");
        int a = 0, b = 0;
        const size_t paren = type.find('(');
        if (paren != std::string::npos)
            std::sscanf(type.c_str() + paren + 1, "%d,%d", &a, &b);
        const std::string base = type.substr(0, paren);
        auto is = [&base](const char *t) { return base.compare(0, strlen(t), t) == 0; };
        if (is("NUMBER")) {
            p->dty = SQLT_NUM, p->size = 22, p->precision = uint16_t(a), p->scale = int8_t(b);
        } else if (is("INT")) {
            p->dty = SQLT_INT, p->size = 22;
        } else if (is("FLOAT") || is("BINARY_DOUBLE") || is("REAL")) {
            p->dty = SQLT_FLT, p->size = 8;
        } else if (is("DATE") || is("TIMESTAMP")) {
            p->dty = SQLT_DAT, p->size = 7;
        } else if (is("CLOB")) {
            p->dty = SQLT_CLOB, p->size = 4000;
        } else if (is("BLOB")) {
            p->dty = SQLT_BLOB, p->size = 4000;
        } else if (is("LONG RAW")) {
            p->dty = SQLT_LBI, p->size = 0;
        } else if (is("LONG")) {
            p->dty = SQLT_LNG, p->size = p->charSize = 0;
        } else if (is("RAW")) {
            p->dty = SQLT_BIN, p->size = uint16_t(a);
        } else if (a > 0) {
            p->dty = SQLT_CHR, p->size = p->charSize = uint16_t(a);
        }
        const char *table = sqlite3_column_table_name(s->st, c);
        const char *origin = sqlite3_column_origin_name(s->st, c);
        int notNull = 0;
        if (table && origin)
            sqlite3_table_column_metadata(sqlite3_db_handle(s->st), sqlite3_column_database_name(s->st, c),
                                          table, origin, nullptr, nullptr, &notNull, nullptr, nullptr);
        p->isNull = notNull ? 0 : 1;
        s->params.push_back(p);
    }
}

template<typename T>
T *at(char *base, uint32_t skip, int row)
{
    return base ? reinterpret_cast<T *>(base + size_t(skip) * size_t(row)) : nullptr;
}

int bindRow(Stmt *s, int row)
{
    const int ins = s->placeholders - s->outs;
    for (int i = 0; i < ins; ++i) {
        Bind *b = i < int(s->binds.size()) ? s->binds[i] : nullptr;
        const int p = i + 1;
        if (!b) {
            sqlite3_bind_null(s->st, p);
            continue;
        }
        const int r = b->skipValue ? row : 0;
        char *v = at<char>(b->value, b->skipValue, r);
        const int16_t *ind = at<int16_t>(b->ind, b->skipInd, r);
        const uint16_t *alen = at<uint16_t>(b->alen, b->skipLen, r);
        if (ind && *ind == -1) {
            sqlite3_bind_null(s->st, p);
            continue;
        }
        switch (b->dty) {
        case SQLT_INT: {
            int64_t x = 0;
            if (b->size == 8) std::memcpy(&x, v, 8);
            else { int32_t y; std::memcpy(&y, v, 4); x = y; }
            sqlite3_bind_int64(s->st, p, x);
            break;
        }
        case SQLT_UIN: {
            uint32_t y;
            std::memcpy(&y, v, 4);
            sqlite3_bind_int64(s->st, p, y);
            break;
        }
        case SQLT_FLT: {
            double x;
            if (b->size == 4) { float f; std::memcpy(&f, v, 4); x = f; }
            else std::memcpy(&x, v, 8);
            sqlite3_bind_double(s->st, p, x);
            break;
        }
        case SQLT_VNU: {
            bool negative;
            const uint64_t m = decodeMagnitude(v, &negative);
            if (!negative && m > uint64_t(INT64_MAX))
                sqlite3_bind_text(s->st, p, std::to_string(m).c_str(), -1, SQLITE_TRANSIENT);
            else
                sqlite3_bind_int64(s->st, p, decodeNumber(v));
            break;
        }
        case SQLT_DAT:
            sqlite3_bind_text(s->st, p, dateText(reinterpret_cast<unsigned char *>(v)).c_str(), -1,
                              SQLITE_TRANSIENT);
            break;
        case SQLT_STR: {
            size_t n = 0;
            const auto *t = reinterpret_cast<const char16_t *>(v);
            while (int(n * 2 + 2) <= b->size && t[n])
                ++n;
            sqlite3_bind_text16(s->st, p, t, int(n * 2), SQLITE_TRANSIENT);
            break;
        }
        case SQLT_LNG:
            sqlite3_bind_text16(s->st, p, v, alen ? *alen : b->size, SQLITE_TRANSIENT);
            break;
        case SQLT_RDD:
            sqlite3_bind_int64(s->st, p, (*reinterpret_cast<Rowid **>(v))->rowid);
            break;
        default:
            sqlite3_bind_blob(s->st, p, v, alen ? *alen : b->size, SQLITE_TRANSIENT);
            break;
        }
    }
    return 0;
}

// Writes column c of the current row into a bind (RETURNING) or define buffer.
// Returns false when a text did not fit.
bool store(sqlite3_stmt *st, int c, uint16_t dty, char *v, int32_t size, int16_t *ind, uint16_t *alen)
{
    if (sqlite3_column_type(st, c) == SQLITE_NULL) {
        if (ind)
            *ind = -1;
        return true;
    }
    if (ind)
        *ind = 0;
    switch (dty) {
    case SQLT_INT: case SQLT_UIN: {
        const int64_t x = sqlite3_column_int64(st, c);
        if (size == 8) std::memcpy(v, &x, 8);
        else { const int32_t y = int32_t(x); std::memcpy(v, &y, 4); }
        return true;
    }
    case SQLT_FLT: {
        const double x = sqlite3_column_double(st, c);
        if (size == 4) { const float f = float(x); std::memcpy(v, &f, 4); }
        else std::memcpy(v, &x, 8);
        return true;
    }
    case SQLT_VNU: case SQLT_NUM:
        encodeNumber(v, sqlite3_column_int64(st, c), true);
        return true;
    case SQLT_DAT:
        dateBytes(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                  reinterpret_cast<unsigned char *>(v));
        return true;
    case SQLT_STR: case SQLT_LNG: {
        const void *t = sqlite3_column_text16(st, c);
        int n = sqlite3_column_bytes16(st, c);
        const int room = dty == SQLT_STR ? ((size - 2) & ~1) : (size & ~1);
        const bool fits = n <= room;
        n = fits ? n : room;
        std::memcpy(v, t, size_t(n));
        if (dty == SQLT_STR)
            v[n] = v[n + 1] = 0;
        if (alen)
            *alen = uint16_t(dty == SQLT_STR ? n + 2 : n);
        return fits;
    }
    case SQLT_CLOB: case SQLT_BLOB: {
        Lob *lob = *reinterpret_cast<Lob **>(v);
        lob->clob = dty == SQLT_CLOB;
        const void *p = lob->clob ? sqlite3_column_text16(st, c) : sqlite3_column_blob(st, c);
        const int n = lob->clob ? sqlite3_column_bytes16(st, c) : sqlite3_column_bytes(st, c);
        lob->bytes.assign(static_cast<const char *>(p), size_t(n));
        return true;
    }
    case SQLT_RDD:
        (*reinterpret_cast<Rowid **>(v))->rowid = sqlite3_column_int64(st, c);
        return true;
    default: {
        const int n = sqlite3_column_bytes(st, c);
        const int copied = n < size ? n : size;
        std::memcpy(v, sqlite3_column_blob(st, c), size_t(copied));
        if (alen)
            *alen = uint16_t(copied);
        return n <= size;
    }
    }
}

int32_t pieceFetch(Stmt *s, OCIError *err)
{
    if (!s->pieceBuffer)
        return fail(err, 3129, "the next piece to be inserted is required");
    const std::string &data = s->pieces[s->piece].second;
    const size_t n = std::min<size_t>(*s->pieceLength, data.size() - s->offset);
    std::memcpy(s->pieceBuffer, data.data() + s->offset, n);
    *s->pieceLength = uint32_t(n);
    s->offset += n;
    s->pieceBuffer = nullptr;
    if (s->offset >= data.size()) {
        ++s->piece;
        s->offset = 0;
    }
    return s->piece < s->pieces.size() ? OCI_NEED_DATA : OCI_SUCCESS;
}

} // namespace

// ---- test interface -----------------------------------------------------------------

STUB_EXPORT void ocistub_reset()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_log.clear();
    g_services.clear();
    g_config.clear();
    g_failures.clear();
}

STUB_EXPORT void ocistub_map(const char *connect, const char *file)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_services[u16(connect)] = file;
}

STUB_EXPORT void ocistub_set(const char *key, const char *value)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_config[key] = value;
}

STUB_EXPORT void ocistub_fail(const char *entry, int status, int code, const char *message,
                              int skip, int times)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_failures[entry] = Failure{status, code, message, skip, times};
}

STUB_EXPORT const char *ocistub_log()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    static std::string copy;
    copy = g_log;
    g_log.clear();
    return copy.c_str();
}

STUB_EXPORT int ocistub_live(uint32_t type)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return g_live[type];
}

// ---- the client ---------------------------------------------------------------------

STUB_EXPORT int32_t OCIEnvCreate(OCIEnv **env, uint32_t, void *, OCIMallocFn, OCIReallocFn,
                                 OCIFreeFn, size_t, void **)
{
    ENTRY("OCIEnvCreate", nullptr);
    *env = reinterpret_cast<OCIEnv *>(new Handle(OCI_HTYPE_ENV));
    ++g_live[OCI_HTYPE_ENV];
    return ok_;
}

STUB_EXPORT int32_t OCIHandleAlloc(const void *parent, void **handle, uint32_t type, size_t, void **)
{
    ENTRY("OCIHandleAlloc", nullptr);
    if (!parent || !handle)
        return OCI_INVALID_HANDLE;
    *handle = newHandle(type);
    ++g_live[type];
    return *handle ? ok_ : OCI_ERROR;
}

STUB_EXPORT int32_t OCIHandleFree(void *handle, uint32_t type)
{
    ENTRY("OCIHandleFree", nullptr);
    if (!handle)
        return OCI_INVALID_HANDLE;
    --g_live[type];
    delete static_cast<Handle *>(handle);
    return ok_;
}

STUB_EXPORT int32_t OCIDescriptorAlloc(const void *parent, void **descriptor, uint32_t type, size_t,
                                       void **)
{
    ENTRY("OCIDescriptorAlloc", nullptr);
    if (!parent)
        return OCI_INVALID_HANDLE;
    *descriptor = newHandle(type);
    ++g_live[type];
    return *descriptor ? ok_ : OCI_ERROR;
}

STUB_EXPORT int32_t OCIDescriptorFree(void *descriptor, uint32_t type)
{
    ENTRY("OCIDescriptorFree", nullptr);
    if (!descriptor)
        return OCI_INVALID_HANDLE;
    --g_live[type];
    delete static_cast<Handle *>(descriptor);
    return ok_;
}

STUB_EXPORT int32_t OCIErrorGet(void *handle, uint32_t record, uint8_t *, int32_t *code,
                                uint8_t *buffer, uint32_t size, uint32_t)
{
    ENTRY("OCIErrorGet", nullptr);
    auto *e = static_cast<Error *>(handle);
    if (!e || !e->has || record != 1)
        return OCI_NO_DATA;
    if (code)
        *code = e->code;
    if (buffer && size >= 2) {
        const size_t n = std::min<size_t>(e->message.size(), size / 2 - 1);
        std::memcpy(buffer, e->message.data(), n * 2);
        buffer[n * 2] = buffer[n * 2 + 1] = 0;
    }
    return ok_;
}

STUB_EXPORT int32_t OCIServerAttach(OCIServer *server, OCIError *err, const uint8_t *connect,
                                    int32_t length, uint32_t)
{
    ENTRY("OCIServerAttach", err);
    const std::u16string text = fromText(connect, size_t(length));
    log("attach " + u8(text));
    auto *srv = reinterpret_cast<Server *>(server);
    const auto it = g_services.find(text);
    if (!srv)
        return OCI_INVALID_HANDLE;
    // An unmapped absolute path names an existing SQLite file itself.
    const bool path = it == g_services.end() && !text.empty() && text[0] == u'/';
    if (it == g_services.end() && !path)
        return fail(err, 12154, "TNS:could not resolve the connect identifier specified");
    if (sqlite3_open_v2(path ? u8(text).c_str() : it->second.c_str(), &srv->db,
                        path ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        sqlite3_close_v2(srv->db);
        srv->db = nullptr;
        return fail(err, 12541, "TNS:no listener");
    }
    sqlite3_busy_timeout(srv->db, 2000);
    return ok_;
}

STUB_EXPORT int32_t OCIServerDetach(OCIServer *server, OCIError *err, uint32_t)
{
    ENTRY("OCIServerDetach", err);
    log("detach");
    auto *srv = reinterpret_cast<Server *>(server);
    if (!srv)
        return OCI_INVALID_HANDLE;
    sqlite3_close_v2(srv->db);
    srv->db = nullptr;
    return ok_;
}

STUB_EXPORT int32_t OCIAttrSet(void *handle, uint32_t type, void *attribute, uint32_t size,
                               uint32_t what, OCIError *err)
{
    ENTRY("OCIAttrSet", err);
    if (!handle)
        return OCI_INVALID_HANDLE;
    if (type == OCI_HTYPE_SVCCTX && what == OCI_ATTR_SERVER)
        static_cast<SvcCtx *>(handle)->server = static_cast<Server *>(attribute);
    else if (type == OCI_HTYPE_SESSION && what == OCI_ATTR_USERNAME)
        static_cast<Session *>(handle)->user = fromText(attribute, size);
    else if (type == OCI_HTYPE_SESSION && what == OCI_ATTR_PASSWORD)
        static_cast<Session *>(handle)->password = fromText(attribute, size);
    else if (type == OCI_HTYPE_STMT && (what == OCI_ATTR_PREFETCH_ROWS || what == OCI_ATTR_PREFETCH_MEMORY))
        log(std::string(what == OCI_ATTR_PREFETCH_ROWS ? "prefetch rows " : "prefetch memory ")
            + std::to_string(*static_cast<int32_t *>(attribute)));
    return ok_;
}

STUB_EXPORT int32_t OCIAttrGet(const void *handle, uint32_t type, void *attribute, uint32_t *size,
                               uint32_t what, OCIError *err)
{
    ENTRY("OCIAttrGet", err);
    if (!handle)
        return OCI_INVALID_HANDLE;
    if (type == OCI_DTYPE_PARAM) {
        const auto *p = static_cast<const Param *>(handle);
        switch (what) {
        case OCI_ATTR_DATA_TYPE: *static_cast<uint16_t *>(attribute) = p->dty; break;
        case OCI_ATTR_DATA_SIZE: *static_cast<uint16_t *>(attribute) = p->size; break;
        case OCI_ATTR_CHAR_SIZE: *static_cast<uint16_t *>(attribute) = p->charSize; break;
        case OCI_ATTR_PRECISION: *static_cast<uint16_t *>(attribute) = p->precision; break;
        case OCI_ATTR_SCALE: *static_cast<int8_t *>(attribute) = p->scale; break;
        case OCI_ATTR_IS_NULL: *static_cast<uint8_t *>(attribute) = p->isNull; break;
        case OCI_ATTR_NAME:
            *static_cast<const char16_t **>(attribute) = p->name.c_str();
            *size = uint32_t(p->name.size() * 2);
            break;
        }
        return ok_;
    }
    const auto *s = static_cast<const Stmt *>(handle);
    switch (what) {
    case OCI_ATTR_STMT_TYPE: *static_cast<uint16_t *>(attribute) = s->kind; break;
    case OCI_ATTR_PARAM_COUNT: *static_cast<uint32_t *>(attribute) = uint32_t(s->params.size()); break;
    case OCI_ATTR_ROW_COUNT: *static_cast<int32_t *>(attribute) = s->rowCount; break;
    case OCI_ATTR_ROWID:
        if (!s->hasRowid)
            return fail(err, 1410, "invalid ROWID");
        static_cast<Rowid *>(attribute)->rowid = s->lastRowid;
        break;
    }
    return ok_;
}

STUB_EXPORT int32_t OCISessionBegin(OCISvcCtx *context, OCIError *err, OCISession *session,
                                    uint32_t credentials, uint32_t)
{
    ENTRY("OCISessionBegin", err);
    auto *ses = reinterpret_cast<Session *>(session);
    auto *svc = reinterpret_cast<SvcCtx *>(context);
    if (!ses || !svc || !svc->server)
        return OCI_INVALID_HANDLE;
    log("session credentials " + std::to_string(credentials) + " user " + u8(ses->user)
        + " password " + u8(ses->password));
    const auto user = g_config.find("user");
    const auto password = g_config.find("password");
    if ((user != g_config.end() && u16(user->second) != ses->user)
        || (password != g_config.end() && u16(password->second) != ses->password))
        return fail(err, 1017, "invalid username/password; logon denied");
    run(svc->server->db, "BEGIN");
    return ok_;
}

STUB_EXPORT int32_t OCISessionEnd(OCISvcCtx *context, OCIError *err, OCISession *, uint32_t)
{
    ENTRY("OCISessionEnd", err);
    log("session end");
    if (auto *svc = reinterpret_cast<SvcCtx *>(context); svc && svc->server)
        run(svc->server->db, "ROLLBACK");
    return ok_;
}

STUB_EXPORT int32_t OCIServerVersion(void *, OCIError *err, uint8_t *buffer, uint32_t size, uint8_t)
{
    ENTRY("OCIServerVersion", err);
    const auto it = g_config.find("version");
    const std::u16string text = u16(it != g_config.end() ? it->second
        : "Oracle Database 11g Enterprise Edition Release 11.2.0.1.0 - 64bit Production");
    const size_t n = std::min<size_t>(text.size(), size / 2 - 1);
    std::memcpy(buffer, text.data(), n * 2);
    buffer[n * 2] = buffer[n * 2 + 1] = 0;
    return ok_;
}

STUB_EXPORT int32_t OCITransStart(OCISvcCtx *, OCIError *err, uint32_t timeout, uint32_t flags)
{
    ENTRY("OCITransStart", err);
    log("transaction start " + std::to_string(timeout) + " " + std::to_string(flags));
    return ok_;
}

STUB_EXPORT int32_t OCITransCommit(OCISvcCtx *context, OCIError *err, uint32_t)
{
    ENTRY("OCITransCommit", err);
    log("commit");
    auto *svc = reinterpret_cast<SvcCtx *>(context);
    if (!svc || !svc->server)
        return OCI_INVALID_HANDLE;
    run(svc->server->db, "COMMIT; BEGIN");
    return ok_;
}

STUB_EXPORT int32_t OCITransRollback(OCISvcCtx *context, OCIError *err, uint32_t)
{
    ENTRY("OCITransRollback", err);
    log("rollback");
    auto *svc = reinterpret_cast<SvcCtx *>(context);
    if (!svc || !svc->server)
        return OCI_INVALID_HANDLE;
    run(svc->server->db, "ROLLBACK; BEGIN");
    return ok_;
}

STUB_EXPORT int32_t OCIStmtPrepare(OCIStmt *statement, OCIError *err, const uint8_t *text,
                                   uint32_t length, uint32_t, uint32_t)
{
    ENTRY("OCIStmtPrepare", err);
    auto *s = reinterpret_cast<Stmt *>(statement);
    if (!s)
        return OCI_INVALID_HANDLE;
    const std::string sql = u8(fromText(text, length));
    log("prepare " + sql);
    sqlite3_finalize(s->st);
    s->st = nullptr;
    prepareText(s, sql);
    return ok_;
}

STUB_EXPORT int32_t OCIBindByPos(OCIStmt *statement, OCIBind **bind, OCIError *err, uint32_t position,
                                 void *value, int32_t size, uint16_t dty, void *indicator,
                                 uint16_t *length, uint16_t *, uint32_t maxArray, uint32_t *current,
                                 uint32_t)
{
    ENTRY("OCIBindByPos", err);
    auto *s = reinterpret_cast<Stmt *>(statement);
    if (!s || position == 0)
        return OCI_INVALID_HANDLE;
    log("bind " + std::to_string(position) + " type " + std::to_string(dty) + " size "
        + std::to_string(size) + (maxArray ? " array " + std::to_string(maxArray) : std::string()));
    if (s->binds.size() < position)
        s->binds.resize(position, nullptr);
    delete s->binds[position - 1];
    auto *b = new Bind;
    b->value = static_cast<char *>(value);
    b->size = size;
    b->dty = dty;
    b->ind = static_cast<char *>(indicator);
    b->alen = reinterpret_cast<char *>(length);
    b->current = current;
    s->binds[position - 1] = b;
    *bind = reinterpret_cast<OCIBind *>(b);
    return ok_;
}

STUB_EXPORT int32_t OCIBindArrayOfStruct(OCIBind *bind, OCIError *err, uint32_t valueSkip,
                                         uint32_t indSkip, uint32_t lenSkip, uint32_t)
{
    ENTRY("OCIBindArrayOfStruct", err);
    auto *b = reinterpret_cast<Bind *>(bind);
    if (!b)
        return OCI_INVALID_HANDLE;
    b->skipValue = valueSkip;
    b->skipInd = indSkip;
    b->skipLen = lenSkip;
    return ok_;
}

STUB_EXPORT int32_t OCIStmtExecute(OCISvcCtx *context, OCIStmt *statement, OCIError *err,
                                   uint32_t iterations, uint32_t, const OCISnapshot *, OCISnapshot *,
                                   uint32_t mode)
{
    ENTRY("OCIStmtExecute", err);
    auto *svc = reinterpret_cast<SvcCtx *>(context);
    auto *s = reinterpret_cast<Stmt *>(statement);
    if (!s || !svc)
        return OCI_INVALID_HANDLE;
    log("execute " + std::to_string(iterations) + " mode " + std::to_string(mode));
    if (!svc->server || !svc->server->db)
        return fail(err, 3114, "not connected to ORACLE");
    sqlite3 *db = svc->server->db;
    if (!s->st && sqlite3_prepare_v2(db, s->sql.c_str(), -1, &s->st, nullptr) != SQLITE_OK)
        return sqliteFail(err, db);
    sqlite3_reset(s->st);
    s->rowCount = 0;
    s->pieces.clear();
    if (s->kind == OCI_STMT_SELECT) {
        bindRow(s, 0);
        describe(s);
    } else {
        uint32_t rows = iterations;
        for (Bind *b : s->binds) {
            if (b && b->current && iterations == 1)
                rows = *b->current;
        }
        for (uint32_t r = 0; r < rows; ++r) {
            sqlite3_reset(s->st);
            bindRow(s, int(r));
            int rc;
            while ((rc = sqlite3_step(s->st)) == SQLITE_ROW) {
                const int first = s->placeholders - s->outs;
                for (int c = 0; c < s->outs && first + c < int(s->binds.size()); ++c) {
                    Bind *b = s->binds[first + c];
                    if (!b)
                        continue;
                    const int row = b->skipValue ? int(r) : 0;
                    store(s->st, c, b->dty, at<char>(b->value, b->skipValue, row), b->size,
                          at<int16_t>(b->ind, b->skipInd, row), at<uint16_t>(b->alen, b->skipLen, row));
                }
            }
            if (rc != SQLITE_DONE) {
                const int32_t status = sqliteFail(err, db);
                sqlite3_reset(s->st);
                return status;
            }
            s->rowCount += sqlite3_changes(db);
        }
        sqlite3_reset(s->st);
        s->hasRowid = s->kind == OCI_STMT_INSERT || s->kind == OCI_STMT_UPDATE;
        s->lastRowid = sqlite3_last_insert_rowid(db);
    }
    if (mode & OCI_COMMIT_ON_SUCCESS)
        run(db, "COMMIT; BEGIN");
    return ok_;
}

STUB_EXPORT int32_t OCIParamGet(const void *handle, uint32_t, OCIError *err, void **parameter,
                                uint32_t position)
{
    ENTRY("OCIParamGet", err);
    const auto *s = static_cast<const Stmt *>(handle);
    if (!s)
        return OCI_INVALID_HANDLE;
    if (position == 0 || position > s->params.size())
        return fail(err, 24334, "no descriptor for this position");
    *parameter = s->params[position - 1];
    return ok_;
}

STUB_EXPORT int32_t OCIDefineByPos(OCIStmt *statement, OCIDefine **define, OCIError *err,
                                   uint32_t position, void *value, int32_t size, uint16_t dty,
                                   void *indicator, uint16_t *, uint16_t *, uint32_t mode)
{
    ENTRY("OCIDefineByPos", err);
    auto *s = reinterpret_cast<Stmt *>(statement);
    if (!s || position == 0)
        return OCI_INVALID_HANDLE;
    log("define " + std::to_string(position) + " type " + std::to_string(dty) + " size "
        + std::to_string(size) + " mode " + std::to_string(mode));
    auto *d = new Define;
    d->stmt = s;
    d->column = int(position) - 1;
    d->value = static_cast<char *>(value);
    d->size = size;
    d->dty = dty;
    d->ind = static_cast<int16_t *>(indicator);
    d->dynamic = mode & OCI_DYNAMIC_FETCH;
    s->defines.push_back(d);
    *define = reinterpret_cast<OCIDefine *>(d);
    return ok_;
}

STUB_EXPORT int32_t OCIStmtFetch(OCIStmt *statement, OCIError *err, uint32_t, uint16_t, uint32_t)
{
    ENTRY("OCIStmtFetch", err);
    auto *s = reinterpret_cast<Stmt *>(statement);
    if (!s || !s->st)
        return OCI_INVALID_HANDLE;
    if (s->piece < s->pieces.size())
        return pieceFetch(s, err);
    const int rc = sqlite3_step(s->st);
    if (rc == SQLITE_DONE) {
        sqlite3_reset(s->st);
        return OCI_NO_DATA;
    }
    if (rc != SQLITE_ROW)
        return sqliteFail(err, sqlite3_db_handle(s->st));
    ++s->rowCount;
    bool fits = true;
    s->pieces.clear();
    s->piece = s->offset = 0;
    for (Define *d : s->defines) {
        if (!d->dynamic) {
            fits = store(s->st, d->column, d->dty, d->value, d->size, d->ind, nullptr) && fits;
            continue;
        }
        const int c = d->column;
        const bool text = d->dty == SQLT_LNG;
        const void *p = text ? sqlite3_column_text16(s->st, c) : sqlite3_column_blob(s->st, c);
        const int n = text ? sqlite3_column_bytes16(s->st, c) : sqlite3_column_bytes(s->st, c);
        s->pieces.emplace_back(d, std::string(static_cast<const char *>(p), size_t(p ? n : 0)));
    }
    if (!fits)
        return fail(err, 1406, "fetched column value was truncated");
    return s->pieces.empty() ? ok_ : OCI_NEED_DATA;
}

STUB_EXPORT int32_t OCIStmtGetPieceInfo(OCIStmt *statement, OCIError *err, void **handle,
                                        uint32_t *type, uint8_t *direction, uint32_t *iteration,
                                        uint32_t *index, uint8_t *piece)
{
    ENTRY("OCIStmtGetPieceInfo", err);
    auto *s = reinterpret_cast<Stmt *>(statement);
    if (!s || s->piece >= s->pieces.size())
        return fail(err, 24300, "bad value for mode");
    *handle = s->pieces[s->piece].first;
    *type = OCI_HTYPE_DEFINE;
    *direction = 1;
    *iteration = *index = 0;
    *piece = s->offset == 0 ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
    return ok_;
}

#ifndef OCISTUB_WITHOUT_SETPIECEINFO
STUB_EXPORT int32_t OCIStmtSetPieceInfo(void *handle, uint32_t, OCIError *err, const void *buffer,
                                        uint32_t *length, uint8_t, const void *, uint16_t *)
{
    ENTRY("OCIStmtSetPieceInfo", err);
    auto *d = static_cast<Define *>(handle);
    if (!d)
        return OCI_INVALID_HANDLE;
    d->stmt->pieceBuffer = static_cast<char *>(const_cast<void *>(buffer));
    d->stmt->pieceLength = length;
    return ok_;
}
#endif

STUB_EXPORT int32_t OCINumberFromInt(OCIError *err, const void *integer, uint32_t length,
                                     uint32_t sign, OCINumber *number)
{
    ENTRY("OCINumberFromInt", err);
    int64_t v = 0;
    if (length == 8) {
        std::memcpy(&v, integer, 8);
    } else {
        int32_t y;
        std::memcpy(&y, integer, 4);
        v = sign == OCI_NUMBER_SIGNED ? int64_t(y) : int64_t(uint32_t(y));
    }
    encodeNumber(number, v, sign == OCI_NUMBER_SIGNED);
    return ok_;
}

STUB_EXPORT int32_t OCINumberToInt(OCIError *err, const OCINumber *number, uint32_t length,
                                   uint32_t sign, void *result)
{
    ENTRY("OCINumberToInt", err);
    bool negative;
    const uint64_t m = decodeMagnitude(number, &negative);
    if (number->bytes[0] != 9 || (negative && sign != OCI_NUMBER_SIGNED))
        return fail(err, 22054, "underflow error");
    const int64_t v = negative ? int64_t(uint64_t(0) - m) : int64_t(m);
    std::memcpy(result, &v, length < 8 ? length : 8);
    return ok_;
}

STUB_EXPORT int32_t OCILobCharSetForm(OCIEnv *, OCIError *err, const OCILobLocator *locator,
                                      uint8_t *form)
{
    ENTRY("OCILobCharSetForm", err);
    *form = reinterpret_cast<const Lob *>(locator)->clob ? SQLCS_IMPLICIT : 0;
    return ok_;
}

STUB_EXPORT int32_t OCILobGetLength(OCISvcCtx *, OCIError *err, OCILobLocator *locator,
                                    uint32_t *length)
{
    ENTRY("OCILobGetLength", err);
    const auto *lob = reinterpret_cast<const Lob *>(locator);
    *length = uint32_t(lob->clob ? lob->bytes.size() / 2 : lob->bytes.size());
    return ok_;
}

STUB_EXPORT int32_t OCILobRead(OCISvcCtx *, OCIError *err, OCILobLocator *locator, uint32_t *amount,
                               uint32_t offset, void *buffer, uint32_t bufferLength, void *,
                               OCICallbackLobRead, uint16_t, uint8_t)
{
    ENTRY("OCILobRead", err);
    const auto *lob = reinterpret_cast<const Lob *>(locator);
    const size_t unit = lob->clob ? 2 : 1;
    const size_t start = size_t(offset - 1) * unit;
    if (start > lob->bytes.size())
        return fail(err, 21560, "argument 3 is null, invalid, or out of range");
    const size_t n = std::min<size_t>(bufferLength, lob->bytes.size() - start) / unit * unit;
    std::memcpy(buffer, lob->bytes.data() + start, n);
    *amount = uint32_t(n / unit);
    return ok_;
}
