#pragma once
// A CUPS scheduler of the test's own, in a temporary folder, with queues that print into
// nothing. While it runs, the program's printers are its queues and nothing else; afterwards the
// tests see no printer again. Nothing reaches the machine's own scheduler.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TPrivateCups {
public:
    // Starts the scheduler with Queues; DefaultQueue, when given, is its default.
    explicit TPrivateCups(const QStringList& Queues = {}, const QString& DefaultQueue = {});
    ~TPrivateCups();
    TPrivateCups(const TPrivateCups&) = delete;
    TPrivateCups& operator=(const TPrivateCups&) = delete;

    // False when cupsd is not installed or did not start; the test should skip then.
    bool Running() const { return FRunning; }
    QString Server() const;
    void AddQueue(const QString& Name);
    // A printer unplugged or a network queue dropped.
    void RemoveQueue(const QString& Name);
    // Every job the scheduler was given, pending or done, one "queue-id" each.
    QStringList Jobs() const;
    // The keyword the scheduler holds for job Job ("queue-id") under Name ("sides", "media"); empty
    // when the job was given none.
    QString JobAttribute(const QString& Job, const char* Name) const;

private:
    QString Run(const QString& Program, const QStringList& Arguments) const;
    QTemporaryDir FDir;
    QProcess FDaemon;
    QByteArray FPreviousServer;
    bool FRunning = false;
};

// Points the CUPS library at a scheduler that does not exist and hides the system's queues from
// the program, so a test process can reach no printer unless it starts its own scheduler.
void IsolateFromSystemPrinters();
