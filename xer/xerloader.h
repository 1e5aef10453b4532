#pragma once

#include "projectloader.h"

#include <QVariantList>

#include <memory>

namespace xer {
class XERFile;
class XERTable;
struct TableLines;
} // namespace xer

class QElapsedTimer;

// Loads an XER file: read() runs on a thread of the global thread pool,
// reads the file into the ten table containers, wraps each in a table model,
// keeps the rows of the file's P6 layout table "VIEWPROP" and builds the
// derived models. Progress arrives in the order sent; a read that fails
// (memory running out included) emits failed(code) instead of finished() and
// keeps nothing of the file. Every model is handed to the application's
// thread before finished(). finished() or failed() is the read's last touch
// of the loader: a receiver may delete it as either arrives.
class XERLoader : public ProjectLoader
{
    Q_OBJECT
public:
    XERLoader(const QString &fileName, const QJsonDocument &schema, QObject *parent = nullptr);
    explicit XERLoader(QObject *parent = nullptr);
    ~XERLoader() override;

    QString loaderName() const override;
    // An XER file keeps nothing open.
    void closeProject() override {}
    QString fileName() const { return m_fileName; }

    void readTable(const QString &table, const std::shared_ptr<IContainer> &container);
    void fillLayout(xer::XERTable *table);
    QVariantList layoutRows() const { return m_layoutRows; }
    // The last read's result (0 before a read).
    int readResult() const { return m_readResult; }

public slots:
    void read();

private:
    // What converting one table left out or changed.
    struct TableNotes
    {
        int mismatched = 0;   // records whose field count differs from "%F", or before it
        int notUnderstood = 0; // lines in the table that are no lines of a table
        int unread = 0;       // cells whose text could not be read
        int copies = 0;       // copies of the table in the file
        int otherCopies = 0;  // copies left out for another field list
        int otherRecords = 0; // their records
        QStringList missingFields; // needed fields its field list lacks
        QStringList repeatedFields; // names its field list gives twice
        int repeatedIds = 0;  // records with an id read before: left out
        int emptyRecords = 0; // records without a cell: left out
        int withoutIds = 0;   // records of a table of ids without one read: left out
    };
    struct TablePlan;
    // The read up to its report, which read() sends once this has returned:
    // the result (xer::XERFile::ReadResult).
    int readHeld();
    // The load after started(): the result. Throws std::bad_alloc when
    // memory runs out.
    int readFile(const QElapsedTimer &timer);
    void prepareContainer(const QString &table, IContainer *container) const;
    // Finds the copies of a table to read, where their fields go, and makes
    // the container's rows, empty.
    TablePlan planTable(const QString &table, IContainer *container, TableNotes *notes) const;
    // Chooses the records of the plan's sources that become rows: empty ones
    // and those whose id (file field keyField, -1 for none) is missing, no
    // whole number its column holds, or read before are left out.
    void keepRecords(TablePlan *plan, int keyField, TableNotes *notes) const;
    // False when a table as filled holds an empty record, a row without an id
    // or an id twice.
    bool keepsEveryRecord(const TablePlan &plan, IContainer *container, const TableNotes &filled) const;
    // Fills the table again from the records keepRecords() keeps.
    void refill(TablePlan *plan, IContainer *container, TableNotes *notes) const;
    // Converts records [from, to) of one copy into the rows from firstRow on.
    void fillRows(const TablePlan &plan, int source, int from, int to, int firstRow,
                  TableNotes *notes) const;
    void fillLayout(const xer::TableLines &lines);
    void noteTable(const QString &table, const TableNotes &notes);
    void registerTable(const QString &table, const std::shared_ptr<IContainer> &container);

    QString m_fileName;
    std::unique_ptr<xer::XERFile> m_reader; // Owned.
    QVariantList m_layoutRows;
    int m_readResult = 0;
};
