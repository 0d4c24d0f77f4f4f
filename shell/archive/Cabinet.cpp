#include "shell/archive/Cabinet.h"

#include "core/unStringFuncs.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mspack.h>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

namespace {

constexpr int BlockSize = 32768; // uncompressed bytes per data block
constexpr int MaxBlocksPerFolder = 65535;
constexpr int HeaderSize = 36;
constexpr int FolderEntrySize = 8;
constexpr int FileEntryFixedSize = 16;
constexpr int DataHeaderSize = 8;
constexpr quint16 FlagPrevCabinet = 0x0001;
constexpr quint16 FlagNextCabinet = 0x0002;
constexpr quint16 ContinuedFromPrev = 0xFFFD;
constexpr quint16 ContinuedToNext = 0xFFFE;
constexpr quint16 ContinuedPrevAndNext = 0xFFFF;
constexpr quint16 AttribArchive = 0x20;
constexpr quint16 AttribReadOnly = 0x01;
constexpr quint16 AttribExecute = 0x40;
constexpr quint16 AttribUtfName = 0x80;

void PutU16(QByteArray& Out, quint16 V) {
    Out.append(char(V & 0xFF));
    Out.append(char(V >> 8));
}

void PutU32(QByteArray& Out, quint32 V) {
    for (int I = 0; I < 4; ++I)
        Out.append(char((V >> (8 * I)) & 0xFF));
}

quint16 GetU16(const char* P) {
    return quint16(quint8(P[0]) | quint8(P[1]) << 8);
}

quint32 GetU32(const char* P) {
    return quint32(quint8(P[0])) | quint32(quint8(P[1])) << 8 | quint32(quint8(P[2])) << 16 |
           quint32(quint8(P[3])) << 24;
}

// The cabinet checksum: 32-bit little-endian words XORed, the tail bytes packed high to low.
quint32 Checksum(const char* Data, int Size, quint32 Seed) {
    quint32 Sum = Seed;
    int I = 0;
    for (; I + 4 <= Size; I += 4)
        Sum ^= GetU32(Data + I);
    quint32 Tail = 0;
    switch (Size & 3) {
    case 3:
        Tail |= quint32(quint8(Data[I++])) << 16;
        [[fallthrough]];
    case 2:
        Tail |= quint32(quint8(Data[I++])) << 8;
        [[fallthrough]];
    case 1:
        Tail |= quint8(Data[I]);
    }
    return Sum ^ Tail;
}

QString ProgramPrefix() {
    return QFileInfo(QCoreApplication::applicationFilePath()).baseName().left(3);
}

} // namespace

quint16 DosDate(const QDateTime& Value) {
    const QDate D = Value.date();
    if (!D.isValid() || D.year() < 1980 || D.year() > 2107) return 0;
    return quint16((D.year() - 1980) << 9 | D.month() << 5 | D.day());
}

quint16 DosTime(const QDateTime& Value) {
    const QTime T = Value.time();
    if (DosDate(Value) == 0) return 0;
    return quint16(T.hour() << 11 | T.minute() << 5 | T.second() / 2);
}

QDateTime FromDosDateTime(quint16 Date, quint16 Time) {
    const QDate D(1980 + (Date >> 9), (Date >> 5) & 0x0F, Date & 0x1F);
    const QTime T((Time >> 11) & 0x1F, (Time >> 5) & 0x3F, (Time & 0x1F) * 2);
    return QDateTime(D, T.isValid() ? T : QTime(0, 0));
}

// ---------------------------------------------------------------------------------------------
// The writer: AddFile compresses into data blocks kept in a temporary file; FlushCabinet lays
// the blocks out into volumes. A block cut by a volume boundary is split: the first part carries
// an uncompressed size of 0 and the rest starts the next volume, as the readers require.

class TCabinet::TWriter {
public:
    struct TBlock {
        qint64 TempOffset;
        int CompressedSize;
        int UncompressedSize;
        qint64 UncompressedStart; // within the folder
    };
    struct TFileEntry {
        QByteArray Name;
        qint64 Offset; // within the folder
        qint64 Length;
        quint16 Date, Time, Attribs;
        QString DisplayName;
    };
    struct TFolder {
        std::vector<TBlock> Blocks;
        std::vector<TFileEntry> Files;
        qint64 UncompressedSize = 0;
        qint64 CompressedSize = 0;
        qint64 Total() const { return UncompressedSize; }
    };
    // A position in the data: folder, block and byte offset within the block's compressed data.
    struct TPosition {
        size_t Folder = 0;
        size_t Block = 0;
        int Offset = 0;
        bool operator==(const TPosition&) const = default;
    };
    struct TPiece {
        size_t Folder;
        size_t Block;
        int Offset;
        int Length;
        bool Completes; // the block ends in this piece
    };
    struct TPlan {
        std::vector<TPiece> Pieces;
        std::vector<size_t> Folders; // folders with data or entries in this cabinet
        TPosition End;
        qint64 Size = 0;
        bool Done = false; // every folder fully placed
    };

    TWriter(TCabinet* Owner, const TCabParameters& Params) : FOwner(Owner), FCab(Params) {}
    ~TWriter() { DropData(); }

    bool AddFile(const QString& Source, const QString& Name);
    // Ends the current folder: its last block is written and the next file starts a new one.
    bool FlushFolder() {
        FFolderClosed = true;
        return FFolders.empty() || EmitBlock();
    }
    bool FlushCabinet(bool GetNextCab);
    void DropData();
    // Deletes every volume written for this set.
    void DeleteVolumes();

private:
    bool OpenTemp();
    bool EmitBlock();
    bool CompressBlock(const QByteArray& Input, QByteArray& Output);
    TPlan Plan(const TPosition& Start, qint64 MaxSize, bool HasNext, int NextNamesSize) const;
    qint64 HeaderSizeOf(const std::vector<TPiece>& Pieces, const std::vector<size_t>& Folders, bool HasNext,
                        int NextNamesSize) const;
    // The uncompressed bytes of a folder that blocks completed in earlier cabinets hold.
    qint64 DoneBefore(size_t FolderIndex, const std::vector<TPiece>& Pieces) const;
    bool Listed(const TFileEntry& File, size_t FolderIndex, const std::vector<TPiece>& Pieces) const;
    quint16 FolderIndexOf(const TFileEntry& File, size_t FolderIndex, size_t LocalIndex,
                          const std::vector<TPiece>& Pieces) const;
    bool WriteCabinet(const TPlan& Plan, bool HasNext, const QByteArray& NextName,
                      const QByteArray& NextDisk);
    bool NoFoldersPending() const;

    TCabinet* FOwner;
    TCabParameters FCab;
    std::vector<TFolder> FFolders;
    QByteArray FPending; // uncompressed bytes of the block being filled
    std::unique_ptr<QFile> FTemp;
    bool FHasPrev = false;
    bool FFolderClosed = true;
    QByteArray FPrevName, FPrevDisk;
    QStringList FWritten;
    z_stream FStream{};
    bool FStreamReady = false;
};

bool TCabinet::TWriter::OpenTemp() {
    if (FTemp) return true;
    QString Name;
    bool Success = true;
    if (FOwner->OnGetTempFile) {
        FOwner->OnGetTempFile(FOwner, Name, Success);
        if (!Success || Name.isEmpty()) return FOwner->Fail(ceTempFile, 0);
        auto File = std::make_unique<QFile>(Name);
        if (!File->open(QIODevice::ReadWrite | QIODevice::Truncate))
            return FOwner->Fail(ceTempFile, errno, Name);
        FTemp = std::move(File);
        return true;
    }
    auto File = std::make_unique<QTemporaryFile>(QDir::tempPath() + QLatin1Char('/') + ProgramPrefix() +
                                                 QStringLiteral("XXXXXX"));
    if (!File->open()) return FOwner->Fail(ceTempFile, errno, File->fileTemplate());
    FTemp = std::move(File);
    return true;
}

void TCabinet::TWriter::DropData() {
    FFolders.clear();
    FPending.clear();
    if (FTemp) {
        const bool Named = !qobject_cast<QTemporaryFile*>(FTemp.get());
        FTemp->close();
        if (Named) FTemp->remove();
        FTemp.reset();
    }
    if (FStreamReady) deflateEnd(&FStream);
    FStreamReady = false;
}

void TCabinet::TWriter::DeleteVolumes() {
    for (const QString& Path : FWritten)
        QFile::remove(Path);
    FWritten.clear();
}

bool TCabinet::TWriter::CompressBlock(const QByteArray& Input, QByteArray& Output) {
    Output.clear();
    if (FOwner->CompressionType == ctNone) {
        Output = Input;
        return true;
    }
    if (!FStreamReady) {
        if (deflateInit2(&FStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return FOwner->Fail(ceBadCompressionType, 0);
        FStreamReady = true;
    } else
        deflateReset(&FStream);
    QByteArray Deflated(int(deflateBound(&FStream, uLong(Input.size()))), '\0');
    FStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Input.constData()));
    FStream.avail_in = uInt(Input.size());
    FStream.next_out = reinterpret_cast<Bytef*>(Deflated.data());
    FStream.avail_out = uInt(Deflated.size());
    if (deflate(&FStream, Z_FINISH) != Z_STREAM_END) return FOwner->Fail(ceBadCompressionType, 0);
    Deflated.truncate(int(FStream.total_out));
    Output = QByteArrayLiteral("CK");
    if (Deflated.size() <= Input.size() + 12) {
        Output += Deflated;
        return true;
    }
    if (FCab.FailOnIncompressible) return FOwner->Fail(ceIncompressible, 0);
    // One final stored deflate block: header, length and its complement, the bytes.
    Output.append(char(0x01));
    PutU16(Output, quint16(Input.size()));
    PutU16(Output, quint16(~Input.size()));
    Output += Input;
    return true;
}

bool TCabinet::TWriter::EmitBlock() {
    if (FPending.isEmpty()) return true;
    TFolder& Folder = FFolders.back();
    if (Folder.Blocks.size() >= size_t(MaxBlocksPerFolder))
        throw ECabinetError(QStringLiteral("Too many data blocks in one folder"));
    QByteArray Data;
    if (!CompressBlock(FPending, Data)) return false;
    int Result = 0;
    if (FOwner->OnFileStatus) FOwner->OnFileStatus(FOwner, Data.size(), FPending.size(), Result);
    if (Result != 0) return FOwner->Fail(ceUserAbort, 0);
    const qint64 Offset = FTemp->size();
    FTemp->seek(Offset);
    if (FTemp->write(Data) != Data.size()) return FOwner->Fail(ceTempFile, errno, FTemp->fileName());
    Folder.Blocks.push_back({Offset, int(Data.size()), int(FPending.size()), Folder.UncompressedSize});
    Folder.UncompressedSize += FPending.size();
    Folder.CompressedSize += Data.size();
    FPending.clear();
    return !FOwner->KeepResponsive() || FOwner->Fail(ceUserAbort, 0);
}

// A file goes on in the current folder until that folder is flushed or its data passes the folder
// threshold; its blocks then run on across the file boundary.
bool TCabinet::TWriter::AddFile(const QString& Source, const QString& Name) {
    if (!OpenTemp()) return false;
    const qint64 InFolder = FFolders.empty() ? 0 : FFolders.back().UncompressedSize + FPending.size();
    const qint64 Incoming = QFileInfo(Source).size();
    if (FFolders.empty() || FFolderClosed || InFolder >= FOwner->FolderThreshold ||
        InFolder + Incoming > qint64(MaxBlocksPerFolder) * BlockSize) {
        if (!FlushFolder()) return false;
        FFolders.emplace_back();
        FFolderClosed = false;
    }

    const QFileInfo Info(Source);
    quint16 Date = 0, Time = 0, Attribs = 0;
    int Result = 0;
    if (FOwner->OnGetOpenInfo) {
        FOwner->OnGetOpenInfo(FOwner, Source, Date, Time, Attribs, Result);
        if (Result != 0) return FOwner->Fail(ceOpenSource, Result);
    } else if (FOwner->FileSupport) {
        Date = DosDate(Info.lastModified());
        Time = DosTime(Info.lastModified());
        Attribs = AttribArchive | (Info.isWritable() ? 0 : AttribReadOnly);
    }
    if (FOwner->Options.Contains(afoExecuteOnExtract)) Attribs |= AttribExecute;
    QByteArray Stored = Name.toLatin1();
    if (QString::fromLatin1(Stored) != Name || Stored.contains('\0')) {
        Stored = Name.toUtf8();
        Attribs |= AttribUtfName;
    }

    QFile File(Source);
    if (!File.open(QIODevice::ReadOnly)) return FOwner->Fail(ceOpenSource, errno, Source);
    const qint64 Total = File.size();
    if (Total > qint64(0xFFFFFFFFu)) throw ECabinetError(QStringLiteral("File too large for a cabinet"));
    TFolder& Folder = FFolders.back();
    const qint64 Start = Folder.UncompressedSize + FPending.size();
    if (Start + Total > qint64(MaxBlocksPerFolder) * BlockSize)
        throw ECabinetError(QStringLiteral("Too many data blocks in one folder"));
    qint64 Done = 0;
    for (;;) {
        const QByteArray Chunk = File.read(BlockSize - FPending.size());
        if (Chunk.isEmpty()) {
            if (File.error() != QFileDevice::NoError) return FOwner->Fail(ceReadSource, errno, Source);
            break;
        }
        Done += Chunk.size();
        FPending += Chunk;
        if (FOwner->OnProgress) FOwner->OnProgress(FOwner, Done, Total);
        if (FOwner->KeepResponsive()) return FOwner->Fail(ceUserAbort, 0);
        if (FPending.size() == BlockSize && !EmitBlock()) return false;
    }
    if (Done != Total) return FOwner->Fail(ceReadSource, 0, Source);
    FFolders.back().Files.push_back({Stored, Start, Total, Date, Time, Attribs, Name});
    return true;
}

bool TCabinet::TWriter::NoFoldersPending() const {
    return FFolders.empty();
}

qint64 TCabinet::TWriter::DoneBefore(size_t FolderIndex, const std::vector<TPiece>& Pieces) const {
    for (const TPiece& Piece : Pieces)
        if (Piece.Folder == FolderIndex) return FFolders[FolderIndex].Blocks[Piece.Block].UncompressedStart;
    return 0; // a folder of empty files only
}

namespace {
// An empty file counts as one byte at its offset.
qint64 EndOf(qint64 Offset, qint64 Length) {
    return std::max(Offset + Length, Offset + 1);
}
} // namespace

// A cabinet lists every file of a folder that earlier cabinets have not finished, also the files
// that begin in later cabinets: a reader joining the volumes keeps the file list of the earlier
// one and drops the files of the folder's continuation, so both must list the same files.
bool TCabinet::TWriter::Listed(const TFileEntry& File, size_t FolderIndex,
                               const std::vector<TPiece>& Pieces) const {
    return EndOf(File.Offset, File.Length) > DoneBefore(FolderIndex, Pieces);
}

// Continued from the previous cabinet: every file listed in a folder that began there. Continued in
// the next: every file that the blocks completed here do not finish.
quint16 TCabinet::TWriter::FolderIndexOf(const TFileEntry& File, size_t FolderIndex, size_t LocalIndex,
                                         const std::vector<TPiece>& Pieces) const {
    const TFolder& Folder = FFolders[FolderIndex];
    const TPiece* First = nullptr;
    const TPiece* Last = nullptr;
    for (const TPiece& Piece : Pieces)
        if (Piece.Folder == FolderIndex) {
            if (!First) First = &Piece;
            Last = &Piece;
        }
    const bool FromPrev = First && (First->Block > 0 || First->Offset > 0);
    bool ToNext = false;
    if (Last && !Last->Completes)
        ToNext = EndOf(File.Offset, File.Length) > Folder.Blocks[Last->Block].UncompressedStart;
    if (FromPrev && ToNext) return ContinuedPrevAndNext;
    if (FromPrev) return ContinuedFromPrev;
    if (ToNext) return ContinuedToNext;
    return quint16(LocalIndex);
}

qint64 TCabinet::TWriter::HeaderSizeOf(const std::vector<TPiece>& Pieces, const std::vector<size_t>& Folders,
                                       bool HasNext, int NextNamesSize) const {
    qint64 Size = HeaderSize + qint64(Folders.size()) * FolderEntrySize;
    if (FHasPrev) Size += FPrevName.size() + 1 + FPrevDisk.size() + 1;
    if (HasNext) Size += NextNamesSize;
    for (size_t F : Folders)
        for (const TFileEntry& File : FFolders[F].Files)
            if (Listed(File, F, Pieces)) Size += FileEntryFixedSize + File.Name.size() + 1;
    return Size;
}

// Fills one cabinet from Start as far as MaxSize allows.
TCabinet::TWriter::TPlan TCabinet::TWriter::Plan(const TPosition& Start, qint64 MaxSize, bool HasNext,
                                                 int NextNamesSize) const {
    TPlan Result;
    TPosition At = Start;
    qint64 DataSize = 0;
    auto Size = [&](const std::vector<TPiece>& Pieces, const std::vector<size_t>& Folders, qint64 Data) {
        return HeaderSizeOf(Pieces, Folders, HasNext, NextNamesSize) + Data;
    };
    while (At.Folder < FFolders.size()) {
        const TFolder& Folder = FFolders[At.Folder];
        std::vector<size_t> Folders = Result.Folders;
        if (Folders.empty() || Folders.back() != At.Folder) Folders.push_back(At.Folder);
        if (Folder.Blocks.empty()) {
            if (Size(Result.Pieces, Folders, DataSize) > MaxSize) break;
            Result.Folders = Folders;
            At = {At.Folder + 1, 0, 0};
            continue;
        }
        const TBlock& Block = Folder.Blocks[At.Block];
        const int Rest = Block.CompressedSize - At.Offset;
        std::vector<TPiece> Pieces = Result.Pieces;
        Pieces.push_back({At.Folder, At.Block, At.Offset, Rest, true});
        if (Size(Pieces, Folders, DataSize + DataHeaderSize + Rest) <= MaxSize) {
            Result.Pieces = Pieces;
            Result.Folders = Folders;
            DataSize += DataHeaderSize + Rest;
            At = At.Block + 1 < Folder.Blocks.size() ? TPosition{At.Folder, At.Block + 1, 0}
                                                     : TPosition{At.Folder + 1, 0, 0};
            continue;
        }
        // The block does not fit whole: as much of it as fits, the rest in the next cabinet.
        Pieces.back().Completes = false;
        Pieces.back().Length = 0;
        const qint64 Room = MaxSize - Size(Pieces, Folders, DataSize + DataHeaderSize);
        if (Room >= 1) {
            Pieces.back().Length = int(std::min<qint64>(Room, Rest - 1));
            Result.Pieces = Pieces;
            Result.Folders = Folders;
            DataSize += DataHeaderSize + Pieces.back().Length;
            At.Offset += Pieces.back().Length;
        }
        break;
    }
    // A folder that goes on in the next cabinet must end here inside a block, never on its edge.
    if (At.Folder < FFolders.size() && At.Offset == 0 && !Result.Pieces.empty() &&
        Result.Pieces.back().Folder == At.Folder && Result.Pieces.back().Length > 1) {
        TPiece& Last = Result.Pieces.back();
        Last.Length -= 1;
        Last.Completes = false;
        DataSize -= 1;
        At = {Last.Folder, Last.Block, Last.Offset + Last.Length};
    }
    Result.End = At;
    Result.Done = At.Folder >= FFolders.size();
    Result.Size = Size(Result.Pieces, Result.Folders, DataSize);
    return Result;
}

bool TCabinet::TWriter::WriteCabinet(const TPlan& Plan, bool HasNext, const QByteArray& NextName,
                                     const QByteArray& NextDisk) {
    struct TListed {
        const TFileEntry* File;
        quint16 Index;
        bool Continuation;
    };
    std::vector<TListed> Files;
    for (size_t L = 0; L < Plan.Folders.size(); ++L) {
        const size_t F = Plan.Folders[L];
        for (const TFileEntry& File : FFolders[F].Files)
            if (Listed(File, F, Plan.Pieces)) {
                const quint16 Index = FolderIndexOf(File, F, L, Plan.Pieces);
                Files.push_back({&File, Index, Index == ContinuedFromPrev || Index == ContinuedPrevAndNext});
            }
    }

    QByteArray Head;
    Head.append("MSCF", 4);
    PutU32(Head, 0);
    PutU32(Head, quint32(Plan.Size));
    PutU32(Head, 0);
    const int CoffFilesAt = Head.size();
    PutU32(Head, 0);
    PutU32(Head, 0);
    Head.append(char(3));
    Head.append(char(1));
    PutU16(Head, quint16(Plan.Folders.size()));
    PutU16(Head, quint16(Files.size()));
    PutU16(Head, quint16((FHasPrev ? FlagPrevCabinet : 0) | (HasNext ? FlagNextCabinet : 0)));
    PutU16(Head, quint16(FCab.SetID));
    PutU16(Head, quint16(FCab.CabinetNumber));
    if (FHasPrev) Head.append(FPrevName + '\0' + FPrevDisk + '\0');
    if (HasNext) Head.append(NextName + '\0' + NextDisk + '\0');

    qint64 FilesSize = 0;
    for (const TListed& L : Files)
        FilesSize += FileEntryFixedSize + L.File->Name.size() + 1;
    qint64 DataAt = Head.size() + qint64(Plan.Folders.size()) * FolderEntrySize + FilesSize;
    for (size_t F : Plan.Folders) {
        int Count = 0;
        qint64 Bytes = 0;
        for (const TPiece& Piece : Plan.Pieces)
            if (Piece.Folder == F) {
                ++Count;
                Bytes += DataHeaderSize + Piece.Length;
            }
        PutU32(Head, quint32(DataAt));
        PutU16(Head, quint16(Count));
        PutU16(Head, FOwner->CompressionType == ctMSZIP ? 1 : 0);
        DataAt += Bytes;
    }
    const quint32 CoffFiles = quint32(Head.size());
    for (int I = 0; I < 4; ++I)
        Head[CoffFilesAt + I] = char((CoffFiles >> (8 * I)) & 0xFF);
    for (const TListed& L : Files) {
        PutU32(Head, quint32(L.File->Length));
        PutU32(Head, quint32(L.File->Offset));
        PutU16(Head, L.Index);
        PutU16(Head, L.File->Date);
        PutU16(Head, L.File->Time);
        PutU16(Head, L.File->Attribs);
        Head.append(L.File->Name + '\0');
    }

    const QString Path = FCab.CabinetPath + FCab.CabinetName;
    QSaveFile Out(Path);
    if (!Out.open(QIODevice::WriteOnly)) return FOwner->Fail(ceCabinetFile, errno, Path);
    qint64 Written = Head.size();
    if (Out.write(Head) != Head.size()) {
        const int Error = errno;
        Out.cancelWriting();
        return FOwner->Fail(ceCabinetFile, Error, Path);
    }
    qint64 Copied = 0, Total = 0;
    for (const TPiece& Piece : Plan.Pieces)
        Total += Piece.Length;
    for (const TPiece& Piece : Plan.Pieces) {
        const TBlock& Block = FFolders[Piece.Folder].Blocks[Piece.Block];
        if (!FTemp->seek(Block.TempOffset + Piece.Offset))
            return FOwner->Fail(ceTempFile, errno, FTemp->fileName());
        const QByteArray Data = FTemp->read(Piece.Length);
        if (Data.size() != Piece.Length) {
            const int Error = errno;
            Out.cancelWriting();
            return FOwner->Fail(ceTempFile, Error, FTemp->fileName());
        }
        QByteArray Sizes;
        PutU16(Sizes, quint16(Piece.Length));
        PutU16(Sizes, quint16(Piece.Completes ? Block.UncompressedSize : 0));
        QByteArray Record;
        PutU32(Record, Checksum(Sizes.constData(), 4, Checksum(Data.constData(), int(Data.size()), 0)));
        Record += Sizes + Data;
        if (Out.write(Record) != Record.size()) {
            const int Error = errno;
            Out.cancelWriting();
            return FOwner->Fail(ceCabinetFile, Error, Path);
        }
        Copied += Piece.Length;
        Written += Record.size();
        int Result = 0;
        if (FOwner->OnFolderStatus) FOwner->OnFolderStatus(FOwner, Copied, Total, Result);
        if (Result != 0 || FOwner->KeepResponsive()) {
            Out.cancelWriting();
            return FOwner->Fail(ceUserAbort, 0);
        }
    }
    if (!Out.commit()) return FOwner->Fail(ceCabinetFile, errno, Path);
    FWritten << Path;

    for (const TListed& L : Files) {
        bool Abort = false;
        if (FOwner->OnFilePlacedEvent)
            FOwner->OnFilePlacedEvent(FOwner, FCab, L.File->DisplayName, L.File->Length, L.Continuation,
                                      Abort);
        if (Abort) return FOwner->Fail(ceUserAbort, 0);
    }
    if (FOwner->OnCabinetStatus) FOwner->OnCabinetStatus(FOwner, Plan.Size, Written);
    return true;
}

bool TCabinet::TWriter::FlushCabinet(bool GetNextCab) {
    if (!FlushFolder()) return false;
    TPosition At;
    while (!NoFoldersPending() && At.Folder < FFolders.size()) {
        TPlan Whole = Plan(At, FCab.MaxCabinetSize, false, 0);
        bool HasNext = !Whole.Done || GetNextCab;
        QByteArray NextName, NextDisk;
        TCabParameters Next = FCab;
        if (HasNext) {
            Next.CabinetNumber = FCab.CabinetNumber + 1;
            QString NewCabFileName;
            bool Abort = false;
            if (!FOwner->OnGetNextCabinet)
                throw ECabinetError(QStringLiteral("No name for the next cabinet of the set"));
            FOwner->OnGetNextCabinet(FOwner, Next, NewCabFileName, Whole.Size, Abort);
            if (Abort) return FOwner->Fail(ceUserAbort, 0);
            if (!NewCabFileName.isEmpty()) {
                const QFileInfo Info(NewCabFileName);
                Next.CabinetName = Info.fileName();
                Next.CabinetPath = Info.path() + QLatin1Char('/');
            }
            if (Next.DiskName.isEmpty()) Next.DiskName = QStringLiteral("Disk%1").arg(Next.CabinetNumber + 1);
            NextName = Next.CabinetName.toUtf8();
            NextDisk = Next.DiskName.toUtf8();
        }
        const TPlan Cut =
            HasNext ? Plan(At, FCab.MaxCabinetSize, true, int(NextName.size() + NextDisk.size() + 2)) : Whole;
        if (Cut.Pieces.empty() && Cut.Folders.empty())
            throw ECabinetError(QStringLiteral("Volume size too small for one byte of data"));
        if (!WriteCabinet(Cut, HasNext, NextName, NextDisk)) return false;
        At = Cut.End;
        if (HasNext) {
            FHasPrev = true;
            FPrevName = FCab.CabinetName.toUtf8();
            FPrevDisk = FCab.DiskName.isEmpty() ? QByteArrayLiteral("Disk1") : FCab.DiskName.toUtf8();
            FCab = Next;
        }
    }
    FFolders.clear();
    FPending.clear();
    if (FTemp) FTemp->resize(0);
    return true;
}

QString FindFileNoCase(const QString& Folder, const QString& Name) {
    const QDir Dir(Folder);
    for (const QString& Entry : Dir.entryList(QDir::Files))
        if (Entry.compare(Name, Qt::CaseInsensitive) == 0) return Dir.filePath(Entry);
    return QString();
}

// ---------------------------------------------------------------------------------------------
// The reader: libmspack opens the first volume and appends the next ones; its file system lets
// the event loop run and fails every call once Abort was asked for.

namespace {

struct TMsFile {
    FILE* Handle;
    bool Writing;
};

// A name from the cabinet as a relative path below the destination; "" when it could leave it.
QString SafeRelativeName(QString Name) {
    Name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (Name.isEmpty() || Name.startsWith(QLatin1Char('/')) ||
        (Name.size() > 1 && Name[1] == QLatin1Char(':')))
        return QString();
    for (const QString& Part : Name.split(QLatin1Char('/')))
        if (Part == QLatin1String("..")) return QString();
    return Name;
}

QString SystemErrorText(int Code) {
    return Format("Error %d: %s", {Code, QString::fromLocal8Bit(std::strerror(Code))});
}

} // namespace

class TCabinet::TReader {
public:
    explicit TReader(TCabinet* Owner);
    ~TReader();
    bool ExtractAll();

    static TCabinet* Current;
    // Set when a file written for the extraction failed to close: its buffered tail, and with it
    // the file, is lost.
    static bool CloseFailed;

private:
    static mspack_file* Open(mspack_system* Self, const char* Name, int Mode);
    static void Close(mspack_file* File);
    static int Read(mspack_file* File, void* Buffer, int Bytes);
    static int Write(mspack_file* File, void* Buffer, int Bytes);
    static int Seek(mspack_file* File, off_t Offset, int Mode);
    static off_t Tell(mspack_file* File);
    static void Message(mspack_file*, const char*, ...) {}
    static void* Alloc(mspack_system*, size_t Bytes) { return std::malloc(Bytes); }
    static void Free(void* Ptr) { std::free(Ptr); }
    static void Copy(void* Src, void* Dest, size_t Bytes) { std::memcpy(Dest, Src, Bytes); }

    bool Fail(int Code, int Type) { return FOwner->Fail(Code, Type); }
    int ErrorCodeOf(int MsError) const;
    QStringList ContinuedNames(const QString& Path) const;

    TCabinet* FOwner;
    mspack_system FSystem;
    mscab_decompressor* FDecompressor = nullptr;
    // libmspack keeps the name pointers of the cabinets it opened.
    std::vector<std::unique_ptr<QByteArray>> FNames;
    const char* Keep(const QString& Path) {
        FNames.push_back(std::make_unique<QByteArray>(QFile::encodeName(Path)));
        return FNames.back()->constData();
    }
};

TCabinet* TCabinet::TReader::Current = nullptr;
bool TCabinet::TReader::CloseFailed = false;

TCabinet::TReader::TReader(TCabinet* Owner) : FOwner(Owner) {
    FSystem = {&Open, &Close, &Read, &Write, &Seek, &Tell, &Message, &Alloc, &Free, &Copy, nullptr};
    FDecompressor = mspack_create_cab_decompressor(&FSystem);
}

TCabinet::TReader::~TReader() {
    if (FDecompressor) mspack_destroy_cab_decompressor(FDecompressor);
}

mspack_file* TCabinet::TReader::Open(mspack_system*, const char* Name, int Mode) {
    if (Current && Current->FAbort) return nullptr;
    const char* How = Mode == MSPACK_SYS_OPEN_READ     ? "rb"
                      : Mode == MSPACK_SYS_OPEN_WRITE  ? "wb"
                      : Mode == MSPACK_SYS_OPEN_UPDATE ? "r+b"
                                                       : "ab";
    FILE* Handle = std::fopen(Name, How);
    if (!Handle) return nullptr;
    auto* File = new TMsFile{Handle, Mode != MSPACK_SYS_OPEN_READ};
    return reinterpret_cast<mspack_file*>(File);
}

void TCabinet::TReader::Close(mspack_file* File) {
    auto* F = reinterpret_cast<TMsFile*>(File);
    if (!F) return;
    if (std::fclose(F->Handle) != 0 && F->Writing) CloseFailed = true;
    delete F;
}

int TCabinet::TReader::Read(mspack_file* File, void* Buffer, int Bytes) {
    if (Current && !Current->FAbort) Current->KeepResponsive();
    if (Current && Current->FAbort) return -1;
    auto* F = reinterpret_cast<TMsFile*>(File);
    const size_t Got = std::fread(Buffer, 1, size_t(Bytes), F->Handle);
    return std::ferror(F->Handle) ? -1 : int(Got);
}

int TCabinet::TReader::Write(mspack_file* File, void* Buffer, int Bytes) {
    if (Current && !Current->FAbort) Current->KeepResponsive();
    if (Current && Current->FAbort) return -1;
    auto* F = reinterpret_cast<TMsFile*>(File);
    const size_t Put = std::fwrite(Buffer, 1, size_t(Bytes), F->Handle);
    return Put == size_t(Bytes) ? int(Put) : -1;
}

int TCabinet::TReader::Seek(mspack_file* File, off_t Offset, int Mode) {
    auto* F = reinterpret_cast<TMsFile*>(File);
    const int Whence = Mode == MSPACK_SYS_SEEK_START ? SEEK_SET
                       : Mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                                                     : SEEK_END;
    return fseeko(F->Handle, Offset, Whence);
}

off_t TCabinet::TReader::Tell(mspack_file* File) {
    return ftello(reinterpret_cast<TMsFile*>(File)->Handle);
}

int TCabinet::TReader::ErrorCodeOf(int MsError) const {
    if (FOwner->FAbort) return ceUserAbort;
    switch (MsError) {
    case MSPACK_ERR_OPEN:
        return ceCabinetNotFound;
    case MSPACK_ERR_SIGNATURE:
        return ceNotACabinet;
    case MSPACK_ERR_WRITE:
        return ceTargetFile;
    default:
        return ceCorruptCabinet;
    }
}

// The names of the files that began in an earlier volume than the cabinet at Path.
QStringList TCabinet::TReader::ContinuedNames(const QString& Path) const {
    QStringList Names;
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly)) return Names;
    const QByteArray Data = File.read(1 << 20);
    if (Data.size() < HeaderSize) return Names;
    const quint32 CoffFiles = GetU32(Data.constData() + 16);
    const int Count = GetU16(Data.constData() + 28);
    qint64 At = CoffFiles;
    for (int I = 0; I < Count && At + FileEntryFixedSize < Data.size(); ++I) {
        const quint16 Folder = GetU16(Data.constData() + At + 8);
        const quint16 Attribs = GetU16(Data.constData() + At + 14);
        const qint64 NameEnd = Data.indexOf('\0', At + FileEntryFixedSize);
        if (NameEnd < 0) break;
        const QByteArray Raw = Data.mid(At + FileEntryFixedSize, NameEnd - At - FileEntryFixedSize);
        if (Folder == ContinuedFromPrev || Folder == ContinuedPrevAndNext)
            Names << ((Attribs & AttribUtfName) ? QString::fromUtf8(Raw) : QString::fromLatin1(Raw));
        At = NameEnd + 1;
    }
    return Names;
}

bool TCabinet::TReader::ExtractAll() {
    if (!FDecompressor) return Fail(ceCorruptCabinet, ENOMEM);
    const QFileInfo First(FOwner->CABFileName);
    QString Folder = First.path() + QLatin1Char('/');
    const QString FirstPath = FindFileNoCase(Folder, First.fileName());
    if (FirstPath.isEmpty()) return Fail(ceCabinetNotFound, ENOENT);
    mscabd_cabinet* Cab = FDecompressor->open(FDecompressor, Keep(FirstPath));
    if (!Cab) return Fail(ErrorCodeOf(FDecompressor->last_error(FDecompressor)), 0);
    struct TCloser {
        mscab_decompressor* D;
        mscabd_cabinet* C;
        ~TCloser() { D->close(D, C); }
    } Closer{FDecompressor, Cab};

    bool Abort = false;
    if (FOwner->OnCabinetInfo)
        FOwner->OnCabinetInfo(FOwner, QString::fromUtf8(Cab->nextname ? Cab->nextname : ""),
                              QString::fromUtf8(Cab->nextinfo ? Cab->nextinfo : ""), Folder, Cab->set_id,
                              Cab->set_index, Abort);
    if (Abort) return Fail(ceUserAbort, 0);

    QStringList Skipped;
    if (Cab->flags & MSCAB_HDR_PREVCAB) {
        Skipped = ContinuedNames(FirstPath);
        for (const QString& Name : Skipped) {
            if (FOwner->OnPartialFile)
                FOwner->OnPartialFile(FOwner, Name, QString::fromUtf8(Cab->prevname ? Cab->prevname : ""),
                                      QString::fromUtf8(Cab->previnfo ? Cab->previnfo : ""), Abort);
            if (Abort) return Fail(ceUserAbort, 0);
        }
    }

    // Join the following volumes, asking for another folder when one is not found.
    for (mscabd_cabinet* Last = Cab; Last->flags & MSCAB_HDR_NEXTCAB;) {
        const QString NextName = QString::fromUtf8(Last->nextname ? Last->nextname : "");
        const QString NextDisk = QString::fromUtf8(Last->nextinfo ? Last->nextinfo : "");
        QString Path = FindFileNoCase(Folder, NextName);
        while (Path.isEmpty()) {
            if (!FOwner->OnNextCabinet) return Fail(ceCabinetNotFound, ENOENT);
            QString Asked = Folder;
            FOwner->OnNextCabinet(FOwner, NextName, NextDisk, Asked, ceCabinetNotFound, Abort);
            if (Abort) return Fail(ceUserAbort, 0);
            Folder = EnsureTrailing(Asked, QStringLiteral("/"));
            Path = FindFileNoCase(Folder, NextName);
        }
        mscabd_cabinet* Next = FDecompressor->open(FDecompressor, Keep(Path));
        if (!Next) return Fail(ErrorCodeOf(FDecompressor->last_error(FDecompressor)), 0);
        if (FDecompressor->append(FDecompressor, Last, Next) != MSPACK_ERR_OK) {
            FDecompressor->close(FDecompressor, Next);
            return Fail(ceWrongCabinet, 0);
        }
        Last = Next;
    }

    int FolderIndex = 0;
    const mscabd_folder* SeenFolder = nullptr;
    for (mscabd_file* File = Cab->files; File; File = File->next) {
        if (File->folder != SeenFolder) {
            if (SeenFolder) ++FolderIndex;
            SeenFolder = File->folder;
        }
        const QString Name = QString::fromUtf8(File->filename);
        if (Skipped.contains(Name)) continue;
        const quint16 Date = quint16((File->date_y - 1980) << 9 | File->date_m << 5 | File->date_d);
        const quint16 Time = quint16(File->time_h << 11 | File->time_m << 5 | File->time_s / 2);
        const quint16 Attribs = quint16(File->attribs);
        const QString Relative = SafeRelativeName(Name);
        if (Relative.isEmpty()) return Fail(ceTargetFile, EINVAL);

        TFileCopyAction Action = fcaDefaultCopy;
        QString Target;
        if (FOwner->OnCopyFile)
            FOwner->OnCopyFile(FOwner, Name, File->length, Date, Time, Attribs, Action, Target);
        if (Action == fcaAbort) return Fail(ceUserAbort, 0);
        if (Action == fcaSkip) continue;
        if (Action == fcaDefaultCopy || Target.isEmpty()) Target = FOwner->FDestinationPath + Relative;
        QDir().mkpath(QFileInfo(Target).path());
        CloseFailed = false;
        const int Result = FDecompressor->extract(FDecompressor, File, QFile::encodeName(Target).constData());
        if (Result != MSPACK_ERR_OK || CloseFailed) {
            const int Error = errno;
            QFile::remove(Target);
            return Result != MSPACK_ERR_OK ? Fail(ErrorCodeOf(Result), 0) : Fail(ceTargetFile, Error);
        }
        const bool Execute = Attribs & AttribExecute;
        if (FOwner->OnCloseCopiedFile) {
            FOwner->OnCloseCopiedFile(FOwner, Name, Target, Date, Time, Attribs, FolderIndex, Execute, Abort);
            if (Abort) return Fail(ceUserAbort, 0);
        } else if (FOwner->FileSupport) {
            const QByteArray Native = QFile::encodeName(Target);
            const qint64 Seconds = FromDosDateTime(Date, Time).toSecsSinceEpoch();
            const timespec Times[2] = {{time_t(Seconds), 0}, {time_t(Seconds), 0}};
            if (utimensat(AT_FDCWD, Native.constData(), Times, 0) != 0)
                throw EApiError(SystemErrorText(errno));
            if (Attribs & AttribReadOnly) {
                struct stat Info;
                if (::stat(Native.constData(), &Info) != 0 ||
                    ::chmod(Native.constData(), Info.st_mode & ~mode_t(0222)) != 0)
                    throw EApiError(SystemErrorText(errno));
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

namespace {

// Sets the busy flag for one operation and clears the abort request it started with.
class TBusy {
public:
    TBusy(bool& Busy, bool& Abort) : FBusy(Busy) {
        if (FBusy) throw ECabinetError(QStringLiteral("Cabinet operation already in progress"));
        FBusy = true;
        Abort = false;
    }
    ~TBusy() { FBusy = false; }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    bool& FBusy;
};

} // namespace

TCabinet::TCabinet(QObject* Owner) : QObject(Owner) {}

TCabinet::~TCabinet() = default;

void TCabinet::SetDestinationPath(const QString& Value) {
    FDestinationPath = EnsureTrailing(Value, QStringLiteral("/"));
}

bool TCabinet::Fail(int Code, int Type, const QString& File) {
    FErrorCode = Code;
    FErrorType = Type;
    FErrorFile = File;
    if (OnError) OnError(this, Code, Type);
    return false;
}

bool TCabinet::KeepResponsive() {
    QCoreApplication::processEvents();
    return FAbort;
}

bool TCabinet::StartCompression() {
    TBusy Busy(FBusy, FAbort);
    if (FWriter) FWriter.reset();
    if (CompressionType != ctNone && CompressionType != ctMSZIP) return Fail(ceBadCompressionType, 0);
    TCabParameters Params;
    const QFileInfo Info(CABFileName);
    Params.MaxCabinetSize = VolumeSize;
    Params.FailOnIncompressible = FailOnIncompressible;
    Params.SetID = SetID;
    Params.DiskName = VolumeName;
    Params.CabinetName = Info.fileName();
    Params.CabinetPath = Info.path() + QLatin1Char('/');
    if (Params.CabinetName.isEmpty()) return Fail(ceCabinetFile, ENOENT);
    FWriter = std::make_unique<TWriter>(this, Params);
    return true;
}

bool TCabinet::AddFile(const QString& Source, const QString& NameInCabinet) {
    if (!FWriter) throw ECabinetError(QStringLiteral("Compression was not started"));
    TBusy Busy(FBusy, FAbort);
    try {
        if (FWriter->AddFile(Source, NameInCabinet)) return true;
    } catch (const ECabinetError&) {
        Fail(ceCabinetFile, 0);
    }
    // Nothing of a set with a file that failed is written.
    FWriter->DropData();
    return false;
}

bool TCabinet::FlushCabinet(bool GetNextCab) {
    if (!FWriter) throw ECabinetError(QStringLiteral("Compression was not started"));
    TBusy Busy(FBusy, FAbort);
    try {
        if (FWriter->FlushCabinet(GetNextCab)) return true;
    } catch (const ECabinetError&) {
        Fail(ceCabinetFile, 0);
    }
    // No half set is left behind.
    FWriter->DeleteVolumes();
    FWriter->DropData();
    return false;
}

bool TCabinet::FlushFolder() {
    if (!FWriter) throw ECabinetError(QStringLiteral("Compression was not started"));
    TBusy Busy(FBusy, FAbort);
    if (FWriter->FlushFolder()) return true;
    FWriter->DropData();
    return false;
}

bool TCabinet::EndCompression() {
    if (FBusy) throw ECabinetError(QStringLiteral("Cabinet operation already in progress"));
    FWriter.reset();
    return true;
}

bool TCabinet::ExtractAll() {
    TBusy Busy(FBusy, FAbort);
    TReader Reader(this);
    TCabinet* Outer = TReader::Current;
    TReader::Current = this;
    struct TRestore {
        TCabinet* Outer;
        ~TRestore() { TReader::Current = Outer; }
    } Restore{Outer};
    return Reader.ExtractAll();
}
