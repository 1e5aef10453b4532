#include "columnstore.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 kNoInstant = std::numeric_limits<qint64>::min();
constexpr qint64 kSkippedInstant = std::numeric_limits<qint64>::min() + 1;

// Null: no instant; a wall-clock time the zone skips: none of its own (the
// reader takes the variant then).
qint64 instantOf(const QDateTime &dateTime)
{
    return dateTime.isValid() ? dateTime.toMSecsSinceEpoch()
                              : dateTime.isNull() ? kNoInstant : kSkippedInstant;
}

// Local date-times by their wall clock; other time specs never get here.
quint64 wallKey(const QDateTime &dateTime)
{
    if (dateTime.isNull())
        return ColumnStore::NullDateKey;
    const quint64 wall = ColumnStore::wallClockKey(dateTime.date(), dateTime.time());
    // A wall-clock time the local zone skips is kept apart from a valid one.
    return dateTime.isValid() ? wall : (wall | (quint64(1) << 62));
}

} // namespace

ColumnStore::Kind ColumnStore::kindOf(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Int:
        return Kind::Int;
    case QMetaType::Double:
        return Kind::Double;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::QDateTime: {
        const QDateTime dateTime = value.toDateTime();
        // Only local date-times are kept by wall clock; a null one too.
        return dateTime.isNull() || dateTime.timeSpec() == Qt::LocalTime ? Kind::DateTime
                                                                         : Kind::Variant;
    }
    default:
        return Kind::Variant;
    }
}

bool ColumnStore::fits(const QVariant &value) const
{
    if (!value.isValid())
        return true;
    return m_kind == Kind::Variant || kindOf(value) == m_kind;
}

void ColumnStore::reserve(int rows)
{
    m_reserved = qMax(0, rows);
    m_present.reserve(size_t(m_reserved));
}

void ColumnStore::becomeVariants()
{
    std::vector<QVariant> variants;
    variants.reserve(qMax(size_t(m_reserved), m_present.size()));
    for (int r = 0; r < size(); ++r)
        variants.push_back(value(r));
    m_variants.swap(variants);
    m_ints = std::vector<qint32>();
    m_doubles = std::vector<double>();
    m_strings = std::vector<QString>();
    m_dates = std::vector<QVariant>();
    m_instants = std::vector<qint64>();
    m_instantsMade = false;
    m_instantsOnce = std::make_unique<std::once_flag>();
    m_codeOfDate = QHash<quint64, quint32>();
    m_kind = Kind::Variant;
}

quint32 ColumnStore::dateCode(const QDateTime &dateTime)
{
    if (m_codeOfDate.size() != int(m_dates.size())) {
        m_codeOfDate.clear();
        for (size_t c = 0; c < m_dates.size(); ++c)
            m_codeOfDate.insert(wallKey(m_dates[c].toDateTime()), quint32(c));
    }
    const quint64 key = wallKey(dateTime);
    auto it = m_codeOfDate.constFind(key);
    if (it == m_codeOfDate.constEnd()) {
        it = m_codeOfDate.insert(key, quint32(m_dates.size()));
        m_dates.push_back(QVariant(dateTime));
        if (m_instantsMade)
            m_instants.push_back(instantOf(dateTime));
    }
    return it.value();
}

void ColumnStore::append(const QVariant &value)
{
    if (value.isValid() && m_kind == Kind::Empty) {
        m_kind = kindOf(value);
        const size_t n = qMax(size_t(m_reserved), m_present.size());
        switch (m_kind) {
        case Kind::Int:
        case Kind::DateTime:
            m_ints.reserve(n);
            m_ints.resize(m_present.size());
            break;
        case Kind::Double:
            m_doubles.reserve(n);
            m_doubles.resize(m_present.size());
            break;
        case Kind::String:
            m_strings.reserve(n);
            m_strings.resize(m_present.size());
            break;
        case Kind::Variant:
            m_variants.reserve(n);
            m_variants.resize(m_present.size());
            break;
        case Kind::Empty:
            break;
        }
    }
    if (!fits(value))
        becomeVariants();
    m_present.push_back(0);
    switch (m_kind) {
    case Kind::Int:
    case Kind::DateTime:
        m_ints.push_back(0);
        break;
    case Kind::Double:
        m_doubles.push_back(0);
        break;
    case Kind::String:
        m_strings.emplace_back();
        break;
    case Kind::Variant:
        m_variants.emplace_back();
        break;
    case Kind::Empty:
        break;
    }
    if (value.isValid())
        store(size() - 1, value);
}

void ColumnStore::store(int row, const QVariant &value)
{
    const size_t r = size_t(row);
    m_present[r] = value.isValid() ? 1 : 0;
    switch (m_kind) {
    case Kind::Int:
        m_ints[r] = value.isValid() ? value.toInt() : 0;
        break;
    case Kind::DateTime:
        m_ints[r] = value.isValid() ? qint32(dateCode(value.toDateTime())) : 0;
        break;
    case Kind::Double:
        m_doubles[r] = value.isValid() ? value.toDouble() : 0.0;
        break;
    case Kind::String:
        m_strings[r] = value.isValid() ? value.toString() : QString();
        break;
    case Kind::Variant:
        m_variants[r] = value;
        break;
    case Kind::Empty:
        break;
    }
}

QVariant ColumnStore::value(int row) const
{
    if (row < 0 || row >= size() || !m_present[size_t(row)])
        return {};
    const size_t r = size_t(row);
    switch (m_kind) {
    case Kind::Int:
        return QVariant(m_ints[r]);
    case Kind::DateTime:
        return m_dates[size_t(m_ints[r])];
    case Kind::Double:
        return QVariant(m_doubles[r]);
    case Kind::String:
        return QVariant(m_strings[r]);
    case Kind::Variant:
        return m_variants[r];
    case Kind::Empty:
        break;
    }
    return {};
}

void ColumnStore::setValue(int row, const QVariant &value)
{
    if (row < 0 || row >= size())
        return;
    if (value.isValid() && m_kind == Kind::Empty) {
        // A column of empty cells takes the kind of its first value.
        const int rows = size();
        m_present.clear();
        m_present.reserve(size_t(qMax(rows, m_reserved)));
        for (int r = 0; r < rows; ++r)
            append(r == row ? value : QVariant());
        return;
    }
    if (!fits(value))
        becomeVariants();
    store(row, value);
}

int ColumnStore::instant(int row, qint64 *msecs) const
{
    if (m_kind != Kind::DateTime)
        return m_kind == Kind::Empty && row >= 0 && row < size() ? 0 : -1;
    if (row < 0 || row >= size() || !m_present[size_t(row)])
        return 0;
    std::call_once(*m_instantsOnce, [this] { makeInstants(); });
    const qint64 value = m_instants[size_t(m_ints[size_t(row)])];
    if (value == kNoInstant)
        return 0;
    if (value == kSkippedInstant)
        return -1;
    *msecs = value;
    return 1;
}

void ColumnStore::makeInstants() const
{
    m_instants.clear();
    m_instants.reserve(m_dates.size());
    for (const QVariant &date : m_dates)
        m_instants.push_back(instantOf(date.toDateTime()));
    m_instantsMade = true;
}

quint64 ColumnStore::wallClockKey(const QDate &date, const QTime &time)
{
    if (date.isNull() && time.isNull())
        return NullDateKey;
    return quint64(date.toJulianDay()) * 86400000ULL + quint64(time.msecsSinceStartOfDay());
}

void ColumnStore::prepare(Kind kind, int rows)
{
    *this = ColumnStore();
    const size_t n = size_t(qMax(0, rows));
    m_reserved = int(n);
    m_present.assign(n, 0);
    m_kind = kind;
    switch (kind) {
    case Kind::Int:
        m_ints.assign(n, 0);
        break;
    case Kind::Double:
        m_doubles.assign(n, 0.0);
        break;
    case Kind::String:
        m_strings.resize(n);
        break;
    case Kind::DateTime:
        m_keys.assign(n, NullDateKey);
        break;
    case Kind::Empty:
    case Kind::Variant:
        m_kind = Kind::Empty;
        break;
    }
}

qint64 ColumnStore::cellBytes(Kind kind)
{
    // Whether a value is there, and the value: a date-time's key while
    // filling, its code after.
    switch (kind) {
    case Kind::Int:
        return 1 + qint64(sizeof(qint32));
    case Kind::Double:
        return 1 + qint64(sizeof(double));
    case Kind::String:
        return 1 + qint64(sizeof(QString));
    case Kind::DateTime:
        return 1 + qint64(sizeof(quint64)) + qint64(sizeof(qint32));
    case Kind::Empty:
    case Kind::Variant:
        break;
    }
    return 1;
}

void ColumnStore::finishKeys(std::vector<quint64> *distinct)
{
    distinct->clear();
    if (m_kind != Kind::DateTime || m_keys.empty())
        return;
    m_ints.assign(m_keys.size(), 0);
    QHash<quint64, qint32> codeOfKey;
    for (size_t r = 0; r < m_keys.size(); ++r) {
        if (!m_present[r])
            continue;
        auto it = codeOfKey.constFind(m_keys[r]);
        if (it == codeOfKey.constEnd()) {
            it = codeOfKey.insert(m_keys[r], qint32(distinct->size()));
            distinct->push_back(m_keys[r]);
        }
        m_ints[r] = it.value();
    }
    m_keys = std::vector<quint64>();
}

int ColumnStore::finishDates(std::vector<QVariant> &&dates)
{
    int invalid = 0;
    if (m_kind == Kind::DateTime) {
        m_dates = std::move(dates);
        std::vector<std::uint8_t> valid(m_dates.size());
        for (size_t c = 0; c < m_dates.size(); ++c)
            valid[c] = m_dates[c].toDateTime().isValid() ? 1 : 0;
        for (size_t r = 0; r < m_present.size(); ++r) {
            if (m_present[r] && !valid[size_t(m_ints[r])])
                ++invalid;
        }
        // The wall-clock index of the values is made when a value is stored.
        m_codeOfDate = QHash<quint64, quint32>();
    }
    dropIfEmpty();
    return invalid;
}

int ColumnStore::finish()
{
    std::vector<quint64> keys;
    finishKeys(&keys);
    // Each distinct wall-clock time becomes one shared value, made once:
    // building a local date-time is the costly part.
    std::vector<QVariant> dates;
    dates.reserve(keys.size());
    for (quint64 key : keys)
        dates.push_back(QVariant(dateTimeOfKey(key)));
    return finishDates(std::move(dates));
}

QDateTime ColumnStore::dateTimeOfKey(quint64 key)
{
    if (key == NullDateKey)
        return QDateTime();
    return QDateTime(QDate::fromJulianDay(qint64(key / 86400000ULL)),
                     QTime::fromMSecsSinceStartOfDay(int(key % 86400000ULL)));
}

void ColumnStore::dropIfEmpty()
{
    // A column without a value is one never written.
    if (m_kind != Kind::Empty
        && std::find(m_present.cbegin(), m_present.cend(), std::uint8_t(1)) == m_present.cend()) {
        const int rows = size();
        *this = ColumnStore();
        m_present.assign(size_t(rows), 0);
        m_reserved = rows;
    }
}
