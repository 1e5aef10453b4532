#pragma once

#include "mpprproject.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <array>

namespace mppr {

// One MPP task as the readers fill it. Every date starts as
// Project::NULL_DATE (no date); slacks are in tenths of minutes, durations
// and lags as the file stores them.
struct Task
{
    Task();

    // Link types of the predecessor links.
    enum LinkType : quint16 {
        FinishToFinish = 0,
        FinishToStart = 1,
        StartToFinish = 2,
        StartToStart = 3
    };

    quint32 uniqueId = 0; // 0 is the project's own summary task
    quint32 id = 0;       // row number in the schedule
    QString name;
    // Two flags the readers set; a task with either set gets no table rows.
    std::array<bool, 2> excluded = {{false, false}};
    qint32 freeSlack = 0;
    qint32 totalSlack = 0;
    QDateTime start;
    QDateTime finish;
    QDateTime actualStart;
    QDateTime actualFinish;
    QDateTime earlyStart;
    QDateTime earlyFinish;
    QDateTime lateStart;
    QDateTime lateFinish;
    std::array<QDateTime, 2> furtherDates; // filled by the readers, read by no consumer
    bool milestone = false;
    quint32 parentUniqueId = 0;
    QString wbs;
    double cost = 0;

    // Predecessor links, one entry per link in each vector.
    QVector<quint32> predecessorUniqueIds;
    QVector<qint32> predecessorLags;
    QVector<quint32> predecessorLagFormats;
    QVector<quint16> predecessorTypes;

    std::array<QString, 30> text;
    std::array<QDateTime, 10> starts;
    std::array<QDateTime, 10> finishes;
    std::array<double, 10> costs = {};
    std::array<qint32, 10> durations = {};
    QDateTime baselineStart;
    QDateTime baselineFinish;
    qint32 baselineDuration = 0;
    double baselineCost = 0;
    std::array<QDateTime, 10> baselineStarts;
    std::array<QDateTime, 10> baselineFinishes;
    std::array<qint32, 10> baselineDurations = {};
    std::array<double, 10> baselineCosts = {};

    // Further values of the record that nothing here reads.
    int furtherInteger = 1;
    bool furtherFlag = false;
    QDateTime furtherDate;
    std::array<quint64, 2> furtherWords = {};

    // Appends one predecessor link.
    void addPredecessor(quint32 uniqueId, qint32 lag, quint32 lagFormat, quint16 type);
};

} // namespace mppr
