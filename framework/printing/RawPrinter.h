#pragma once
// Text-mode printing for dot-matrix printers: lines in the printer's code page, sent raw to the
// printer, either into a device file (the workstation value "Print_Port") or as a raw CUPS job.

#include <QByteArray>
#include <QString>
#include <memory>

class QFile;

// The printer codes the text buffer carries.
extern const QByteArray EscDoubleStrikeOn;  // ESC "G"
extern const QByteArray EscDoubleStrikeOff; // ESC "H"
extern const QByteArray EscCondensed;       // ESC SI

// Text as the printers' code page can hold it: the characters it lacks, or would put on its
// frame-drawing characters, become their nearest letters: "№" "No", "Ё" "Е", "ѝ" "и", quotes '"',
// dashes "-", "€" "EUR", "§" "пар.", "°" "o", a no-break space a blank.
QString DotMatrixText(const QString& Text);

// The printers' code page: CP866 with every byte from 224 up lowered by 48, which puts the
// Cyrillic letters where the printers' own table has them. The text is taken as DotMatrixText
// gives it; a character CP866 lacks, or keeps among its frame-drawing and other signs, is "?".
class OemEncoder {
public:
    static QByteArray Encode(const QString& Text);
};

// Where the raw bytes go. Each flush is one piece the printer gets at once.
class RawPrinterSink {
public:
    virtual ~RawPrinterSink() = default;
    // False when the printer cannot be reached; ErrorText() says why.
    virtual bool Open(const QString& Title) = 0;
    virtual void Write(const QByteArray& Bytes) = 0;
    virtual bool Flush() = 0;
    virtual void Close() = 0;
    QString ErrorText() const { return FError; }

protected:
    QString FError;
};

// Bytes into a file or a device node such as /dev/usb/lp0.
class FileRawPrinterSink : public RawPrinterSink {
public:
    explicit FileRawPrinterSink(const QString& Path) : FPath(Path) {}
    ~FileRawPrinterSink() override;
    bool Open(const QString& Title) override;
    void Write(const QByteArray& Bytes) override;
    bool Flush() override;
    void Close() override;

private:
    QString FPath;
    std::unique_ptr<QFile> FFile;
};

// One raw CUPS job per flush on the queue Printer.
class CupsRawPrinterSink : public RawPrinterSink {
public:
    explicit CupsRawPrinterSink(const QString& Printer) : FPrinter(Printer) {}
    bool Open(const QString& Title) override;
    void Write(const QByteArray& Bytes) override;
    bool Flush() override;
    void Close() override;

private:
    QString FPrinter;
    QString FTitle;
    QByteArray FPending;
};

// The sink for the printer called Printer: the path in "Print_Port" when it is set, else the
// CUPS queue.
std::unique_ptr<RawPrinterSink> CreateRawPrinterSink(const QString& Printer);
