#pragma once

#include "projectloader.h"

#include <QVariantList>

#include <memory>

namespace xer {
class XERFile;
class XERTable;
} // namespace xer

// Loads an XER file: read() runs on a thread of the global thread pool,
// reads the file into the ten table containers, wraps each in a table model,
// keeps the rows of the file's P6 layout table "VIEWPROP" and builds the
// derived models. Progress arrives in the order sent; a read that fails
// emits failed(code) instead of finished(). Every model is handed to the
// application's thread before finished().
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
    void prepareContainer(const QString &table, IContainer *container) const;
    void fillContainer(const QString &table, IContainer *container) const;
    void registerTable(const QString &table, const std::shared_ptr<IContainer> &container);

    QString m_fileName;
    std::unique_ptr<xer::XERFile> m_reader; // Owned.
    QVariantList m_layoutRows;
    int m_readResult = 0;
};
