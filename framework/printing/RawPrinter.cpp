#include "framework/printing/RawPrinter.h"

#include "core/unRegistry.h"

#include <QFile>
#include <QHash>
#include <QStringEncoder>
#include <cups/cups.h>

const QByteArray EscDoubleStrikeOn("\x1bG");
const QByteArray EscDoubleStrikeOff("\x1bH");
const QByteArray EscCondensed("\x1b\x0f");

QString DotMatrixText(const QString& Text) {
    static const QHash<char16_t, QString> nearest = {
        {u'№', QStringLiteral("No")},   {u'Ё', QStringLiteral("Е")},  {u'ё', QStringLiteral("е")},
        {u'Ѝ', QStringLiteral("И")},    {u'ѝ', QStringLiteral("и")},  {u'„', QStringLiteral("\"")},
        {u'“', QStringLiteral("\"")},   {u'”', QStringLiteral("\"")}, {u'«', QStringLiteral("\"")},
        {u'»', QStringLiteral("\"")},   {u'‘', QStringLiteral("'")},  {u'’', QStringLiteral("'")},
        {u'–', QStringLiteral("-")},    {u'—', QStringLiteral("-")},  {u'€', QStringLiteral("EUR")},
        {u'§', QStringLiteral("пар.")}, {u'°', QStringLiteral("o")},  {u'\u00A0', QStringLiteral(" ")}};
    QString text;
    text.reserve(Text.size());
    for (const QChar c : Text) {
        const auto found = c.unicode() < 0x80 ? nearest.cend() : nearest.constFind(c.unicode());
        if (found == nearest.cend())
            text += c;
        else
            text += *found;
    }
    return text;
}

QByteArray OemEncoder::Encode(const QString& Plain) {
    const QString Text = DotMatrixText(Plain);
    // Qt's encoder writes DEL for a character it lacks and only flags the error, so each
    // character is encoded alone and checked.
    static QHash<char16_t, char> cache;
    QByteArray out;
    out.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i].unicode();
        if (c < 0x80) {
            out += char(c);
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && i + 1 < Text.size() && Text[i + 1].isLowSurrogate()) ++i;
            out += '?';
            continue;
        }
        auto found = cache.constFind(c);
        if (found == cache.cend()) {
            QStringEncoder encoder("CP866");
            const QChar one16(c);
            const QByteArray one = encoder.encode(QStringView(&one16, 1));
            char byte = '?';
            // The printers' table holds frame-drawing characters where the code page has its
            // own from 176 to 223 and from 240 up: none of those is sent.
            const auto value = one.isEmpty() ? uchar(0) : uchar(one[0]);
            if (!encoder.hasError() && one.size() == 1 && (value < 176 || (value >= 224 && value < 240)))
                byte = char(value >= 224 ? value - 48 : value);
            found = cache.insert(c, byte);
        }
        out += *found;
    }
    return out;
}

// ---- a file or device

FileRawPrinterSink::~FileRawPrinterSink() = default;

bool FileRawPrinterSink::Open(const QString&) {
    FFile = std::make_unique<QFile>(FPath);
    if (!FFile->open(QIODevice::WriteOnly | QIODevice::Append)) {
        FError = FFile->errorString();
        FFile.reset();
        return false;
    }
    return true;
}

void FileRawPrinterSink::Write(const QByteArray& Bytes) {
    if (FFile) FFile->write(Bytes);
}

bool FileRawPrinterSink::Flush() {
    if (!FFile) return false;
    if (!FFile->flush()) {
        FError = FFile->errorString();
        return false;
    }
    return true;
}

void FileRawPrinterSink::Close() {
    if (FFile) FFile->close();
    FFile.reset();
}

// ---- a CUPS queue

bool CupsRawPrinterSink::Open(const QString& Title) {
    FTitle = Title;
    FPending.clear();
    if (FPrinter.isEmpty()) {
        FError = QStringLiteral("No printer");
        return false;
    }
    return true;
}

void CupsRawPrinterSink::Write(const QByteArray& Bytes) {
    FPending += Bytes;
}

bool CupsRawPrinterSink::Flush() {
    if (FPending.isEmpty()) return true;
    const QByteArray printer = FPrinter.toUtf8();
    const QByteArray title = FTitle.toUtf8();
    const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, printer.constData(), title.constData(), 0, nullptr);
    if (job <= 0) {
        FError = QString::fromUtf8(cupsLastErrorString());
        return false;
    }
    bool ok = cupsStartDocument(CUPS_HTTP_DEFAULT, printer.constData(), job, title.constData(),
                                CUPS_FORMAT_RAW, 1) == HTTP_STATUS_CONTINUE;
    ok = ok && cupsWriteRequestData(CUPS_HTTP_DEFAULT, FPending.constData(), size_t(FPending.size())) ==
                   HTTP_STATUS_CONTINUE;
    ok = cupsFinishDocument(CUPS_HTTP_DEFAULT, printer.constData()) == IPP_STATUS_OK && ok;
    FPending.clear();
    if (!ok) FError = QString::fromUtf8(cupsLastErrorString());
    return ok;
}

void CupsRawPrinterSink::Close() {
    FPending.clear();
}

std::unique_ptr<RawPrinterSink> CreateRawPrinterSink(const QString& Printer) {
    const QString port = ReadRegString(QStringLiteral("Print_Port")).trimmed();
    if (!port.isEmpty()) return std::make_unique<FileRawPrinterSink>(port);
    return std::make_unique<CupsRawPrinterSink>(Printer);
}
