#pragma once

#include <QDateTime>
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
    int size() const { return int(m_present.size()); }
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
    enum class Kind : std::uint8_t { Empty, Int, Double, DateTime, String, Variant };

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
    // Instants by code, made when first asked for (a local-time conversion
    // each), once, whichever thread asks.
    void makeInstants() const;
    mutable std::vector<qint64> m_instants;
    mutable bool m_instantsMade = false;
    std::unique_ptr<std::once_flag> m_instantsOnce = std::make_unique<std::once_flag>();
    QHash<quint64, quint32> m_codeOfDate; // wall-clock key -> code
};
