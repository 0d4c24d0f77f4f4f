#include "tests/support/PrivateCups.h"

#include "framework/printing/PagePrinter.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <cups/cups.h>
#include <sys/prctl.h>

namespace {

void UseServer(const QByteArray& Server) {
    qputenv("CUPS_SERVER", Server);
    // The library keeps the server it first read; this makes it read it again.
    cupsSetServer(Server.constData());
}

void WriteFile(const QString& Name, const QString& Text) {
    QFile file(Name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(Text.toUtf8());
}

} // namespace

void IsolateFromSystemPrinters() {
    static QTemporaryDir nowhere;
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    UseServer(nowhere.filePath(QStringLiteral("no-scheduler.sock")).toLocal8Bit());
    TPrinterProvider::Instance().SetUseSystemQueues(false);
    TPrinterProvider::Instance().Reset();
}

TPrivateCups::TPrivateCups(const QStringList& Queues, const QString& DefaultQueue)
    : FPreviousServer(qgetenv("CUPS_SERVER")) {
    const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
    if (!QFileInfo::exists(cupsd) ||
        QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {QStringLiteral("/usr/sbin")}).isEmpty())
        return;
    const QString root = FDir.path();
    for (const char* sub : {"spool", "cache", "state", "logs", "ppd", "ssl"})
        QDir(root).mkpath(QLatin1String(sub));
    const QString socket = Server();
    WriteFile(root + QStringLiteral("/cupsd.conf"),
              QStringLiteral("Listen %1\nLogLevel warn\nBrowsing Off\nDefaultAuthType None\n"
                             "<Location />\n Order allow,deny\n Allow all\n</Location>\n"
                             "<Location /admin>\n Order allow,deny\n Allow all\n</Location>\n"
                             "<Policy default>\n <Limit All>\n  Order deny,allow\n </Limit>\n</Policy>\n")
                  .arg(socket));
    WriteFile(root + QStringLiteral("/cups-files.conf"),
              QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                             "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nFileDevice Yes\n"
                             "ErrorLog %1/logs/error_log\nAccessLog %1/logs/access_log\n"
                             "PageLog %1/logs/page_log\n")
                  .arg(root));
    FDaemon.setProcessChannelMode(QProcess::MergedChannels);
    // A test that crashes takes its scheduler with it.
    FDaemon.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    FDaemon.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), root + QStringLiteral("/cupsd.conf"),
                          QStringLiteral("-s"), root + QStringLiteral("/cups-files.conf")});
    if (!FDaemon.waitForStarted(5000)) return;
    const QDeadlineTimer deadline(10000);
    while (!QFileInfo::exists(socket) && !deadline.hasExpired() && FDaemon.state() == QProcess::Running)
        QThread::msleep(20);
    if (!QFileInfo::exists(socket)) return;
    FRunning = true;
    UseServer(socket.toLocal8Bit());
    for (const QString& queue : Queues)
        AddQueue(queue);
    if (!DefaultQueue.isEmpty()) Run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), DefaultQueue});
    TPrinterProvider::Instance().SetUseSystemQueues(true);
    TPrinterProvider::Instance().Reset();
}

TPrivateCups::~TPrivateCups() {
    if (FDaemon.state() != QProcess::NotRunning) {
        FDaemon.terminate();
        if (!FDaemon.waitForFinished(5000)) {
            FDaemon.kill();
            FDaemon.waitForFinished(5000);
        }
    }
    if (!FRunning) return;
    UseServer(FPreviousServer);
    TPrinterProvider::Instance().SetUseSystemQueues(false);
    TPrinterProvider::Instance().Reset();
}

QString TPrivateCups::Server() const {
    return FDir.filePath(QStringLiteral("cups.sock"));
}

QString TPrivateCups::Run(const QString& Program, const QStringList& Arguments) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), Server());
    process.setProcessEnvironment(env);
    process.start(Program, Arguments);
    process.waitForFinished(15000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

void TPrivateCups::AddQueue(const QString& Name) {
    Run(QStringLiteral("lpadmin"), {QStringLiteral("-p"), Name, QStringLiteral("-v"),
                                    QStringLiteral("file:///dev/null"), QStringLiteral("-E")});
}

void TPrivateCups::RemoveQueue(const QString& Name) {
    Run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), Name});
}

QStringList TPrivateCups::Jobs() const {
    QStringList jobs;
    for (const QString& line :
         Run(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o")})
             .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        jobs << line.section(QLatin1Char(' '), 0, 0);
    return jobs;
}

QString TPrivateCups::JobAttribute(const QString& Job, const char* Name) const {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + Job.section(QLatin1Char('-'), -1).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    ipp_attribute_t* attribute = response ? ippFindAttribute(response, Name, IPP_TAG_ZERO) : nullptr;
    const QString value = attribute ? QString::fromUtf8(ippGetString(attribute, 0, nullptr)) : QString();
    ippDelete(response);
    return value;
}
