#pragma once

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

// The cells of one table column in one typed array. A column starts out
// holding one kind of value (integers, doubles, local date-times, texts),
// chosen by the first value stored; a value of another type turns it into a
// column of variants, so every cell reads back exactly as it was written.
// Date-times, of which an export repeats a few thousand many times, are kept
// once each and referred to by number. Reads are const and touch no shared
// state, so any number of threads may read at once.
class ColumnStore
{
public:
    enum class Kind : std::uint8_t { Empty, Int, Double, DateTime, String, Variant };

    // Filling a whole column at once: prepare() makes `rows` empty cells of
    // one kind (Int, Double, DateTime or String); then any number of threads
    // may put values into distinct rows; finish() ends the filling. Date-times
    // are put as their wall-clock key (wallClockKey()). A column that got no
    // value reads as one that was never written.
    void prepare(Kind kind, int rows);
    // The bytes a cell of that kind takes, prepared and finished (a text's
    // own characters aside).
    static qint64 cellBytes(Kind kind);
    void putInt(int row, qint32 value)
    {
        m_present[size_t(row)] = 1;
        m_ints[size_t(row)] = value;
    }
    void putDouble(int row, double value)
    {
        m_present[size_t(row)] = 1;
        m_doubles[size_t(row)] = value;
    }
    void putString(int row, QString &&value)
    {
        m_present[size_t(row)] = 1;
        m_strings[size_t(row)] = std::move(value);
    }
    void putDateKey(int row, quint64 key)
    {
        m_present[size_t(row)] = 1;
        m_keys[size_t(row)] = key;
    }
    void putNothing(int row) { m_present[size_t(row)] = 0; }
    // Gives the number of date-time cells that are not a valid date-time.
    int finish();
    // finish() in two steps, so columns can share their date-times: the
    // distinct keys a date-time column holds (numbered by position), then
    // the date-time of each of them; finishDates() gives what finish() does.
    void finishKeys(std::vector<quint64> *distinct);
    int finishDates(std::vector<QVariant> &&dates);
    // The key of a local wall-clock date and time; of a null date-time, the
    // key NullDateKey.
    static quint64 wallClockKey(const QDate &date, const QTime &time);
    static constexpr quint64 NullDateKey = ~quint64(0);
    // The local date-time of a key.
    static QDateTime dateTimeOfKey(quint64 key);

    int size() const { return int(m_present.size()); }
    // For a column of integers: true and the value of a cell holding one;
    // a cheap read of a table's ids, also while it is filled.
    bool intAt(int row, qint32 *value) const
    {
        if (m_kind != Kind::Int || row < 0 || row >= size() || !m_present[size_t(row)])
            return false;
        *value = m_ints[size_t(row)];
        return true;
    }
    void reserve(int rows);
    // Appends one cell; rows come in order.
    void append(const QVariant &value);
    QVariant value(int row) const;
    void setValue(int row, const QVariant &value);
    // For a column of local date-times: 1 and the instant (milliseconds since
    // the epoch) of a valid date-time, 0 for an empty cell or a null
    // date-time; -1 for any other cell or column (read value() then).
    int instant(int row, qint64 *msecs) const;

private:

    static Kind kindOf(const QVariant &value);
    bool fits(const QVariant &value) const;
    void becomeVariants();
    void store(int row, const QVariant &value);
    quint32 dateCode(const QDateTime &dateTime);

    Kind m_kind = Kind::Empty;
    int m_reserved = 0;
    std::vector<std::uint8_t> m_present; // 0: no value (an invalid cell)
    std::vector<qint32> m_ints;          // integers; date-time codes
    std::vector<double> m_doubles;
    std::vector<QString> m_strings;
    std::vector<QVariant> m_variants;
    std::vector<QVariant> m_dates;       // by code
    std::vector<quint64> m_keys;         // while filling: wall-clock keys
    // Instants by code, made when first asked for (a local-time conversion
    // each), once, whichever thread asks.
    void makeInstants() const;
    void dropIfEmpty();
    mutable std::vector<qint64> m_instants;
    mutable bool m_instantsMade = false;
    std::unique_ptr<std::once_flag> m_instantsOnce = std::make_unique<std::once_flag>();
    QHash<quint64, quint32> m_codeOfDate; // wall-clock key -> code
};
