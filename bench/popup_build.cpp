// Times a column filter pop-up over a column of distinct names, from its
// construction (the value list built) until it has shown once, for 100,000
// and 400,000 rows. Prints "popup_<n>k_ms <milliseconds>" lines.

#include "benchenv.h"
#include "ztypedfilters.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QVector>

#include <cstdio>
#include <memory>

namespace {

class NameColumn : public QAbstractTableModel
{
public:
    explicit NameColumn(int rows)
    {
        m_names.reserve(rows);
        // Not in sorted order, as names in a file are not.
        for (int r = 0; r < rows; ++r)
            m_names.append(QStringLiteral("Activity %1").arg((r * 7919) % rows));
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_names.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 1;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        return m_names.at(index.row());
    }

private:
    QVector<QString> m_names;
};

qint64 timePopUp(int rows)
{
    NameColumn model(rows);
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<ZTextFilter> popup(new ZTextFilter(&model, 0));
    popup->popup(QPoint(0, 0));
    QApplication::processEvents();
    const qint64 ms = timer.elapsed();
    popup->close();
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    prepareWindowBench();
    QApplication app(argc, argv);
    // A count of thousands given on the command line times that one alone
    // (for a profiler).
    const QList<int> counts = argc > 1 ? QList<int>{QByteArray(argv[1]).toInt()} : QList<int>{100, 400};
    for (const int thousands : counts) {
        std::printf("popup_%dk_ms %lld\n", thousands,
                    static_cast<long long>(timePopUp(thousands * 1000)));
        std::fflush(stdout);
    }
    return 0;
}
