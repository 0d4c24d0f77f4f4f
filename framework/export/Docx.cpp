#include "framework/export/Docx.h"

#include "core/uDelimitedStrings.h"

#include <QFile>
#include <QTemporaryFile>
#include <cmath>
#include <pugixml.hpp>
#include <sstream>
#include <zip.h>

namespace {

const char* const DocumentPart = "word/document.xml";
const char* const WordNamespace = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

std::string Utf8(const QString& Text) {
    const QByteArray bytes = Text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString FromUtf8(const char* Text) {
    return QString::fromUtf8(Text);
}

QByteArray ReadZipEntry(const QString& Path, const char* Name) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(Path).constData(), ZIP_RDONLY, &error);
    if (!archive) throw EDocxError(Format("Cannot open \"%s\" as a .docx file", {Path}));
    zip_stat_t stat;
    zip_stat_init(&stat);
    zip_file_t* file = nullptr;
    if (zip_stat(archive, Name, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE))
        file = zip_fopen(archive, Name, 0);
    if (!file) {
        zip_discard(archive);
        throw EDocxError(Format("\"%s\" holds no %s", {Path, Name}));
    }
    QByteArray data(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_fread(file, data.data(), stat.size);
    zip_fclose(file);
    zip_discard(archive);
    if (read < 0 || zip_uint64_t(read) != stat.size)
        throw EDocxError(Format("Cannot read %s of \"%s\"", {Name, Path}));
    return data;
}

// Writes the parts into the archive at Path, each given as data or (FileParts) as the file that
// holds it; New starts an empty archive in place of any file.
void WriteZipEntries(const QString& Path, const QList<QPair<QString, QByteArray>>& Parts, bool New,
                     const QList<QPair<QString, QString>>& FileParts = {}) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(Path).constData(), New ? ZIP_CREATE | ZIP_TRUNCATE : 0, &error);
    if (!archive) throw EDocxError(Format("Cannot open \"%s\" for writing", {Path}));
    auto add = [&](const QString& Name, zip_source_t* Source) {
        const zip_int64_t index = Source ? zip_file_add(archive, Name.toUtf8().constData(), Source,
                                                        ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8)
                                         : -1;
        // The fastest compression: a long table's text shrinks nearly as well, in a fraction of
        // the time.
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_DEFLATE, 1) < 0) {
            if (Source && index < 0) zip_source_free(Source);
            zip_discard(archive);
            throw EDocxError(Format("Cannot write %s into \"%s\"", {Name, Path}));
        }
    };
    // Data and files must outlive zip_close, which is where libzip reads them.
    for (const auto& part : Parts)
        add(part.first,
            zip_source_buffer(archive, part.second.constData(), zip_uint64_t(part.second.size()), 0));
    for (const auto& part : FileParts)
        add(part.first, zip_source_file(archive, QFile::encodeName(part.second).constData(), 0, 0));
    if (zip_close(archive) != 0) {
        const QString reason = FromUtf8(zip_strerror(archive));
        zip_discard(archive);
        throw EDocxError(Format("Cannot write \"%s\": %s", {Path, reason}));
    }
}

QByteArray Serialize(const pugi::xml_document& Doc) {
    std::ostringstream out;
    Doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

pugi::xml_document NewPart() {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    decl.append_attribute("standalone") = "yes";
    return doc;
}

// Millimetres to twentieths of a point.
int Twips(double Mm) {
    return int(std::lround(Mm * 1440.0 / 25.4));
}

// Half-points, the unit of w:sz.
std::string HalfPoints(double Pt) {
    return std::to_string(std::lround(Pt * 2));
}

void AppendRunText(pugi::xml_node Run, const QString& Text) {
    QString piece;
    auto flush = [&] {
        if (piece.isEmpty()) return;
        pugi::xml_node t = Run.append_child("w:t");
        // Without it blanks at the ends, or several in a row, may be lost.
        if (piece.front().isSpace() || piece.back().isSpace() || piece.contains(QStringLiteral("  ")))
            t.append_attribute("xml:space") = "preserve";
        t.text().set(Utf8(piece).c_str());
        piece.clear();
    };
    for (QChar c : Text) {
        if (c == u'\t' || c == u'\n') {
            flush();
            Run.append_child(c == u'\t' ? "w:tab" : "w:br");
        } else {
            piece += c;
        }
    }
    flush();
}

const char* AlignValue(TDocxAlign Align) {
    switch (Align) {
    case daCenter:
        return "center";
    case daRight:
        return "right";
    case daJustify:
        return "both";
    case daLeft:
        break;
    }
    return "left";
}

} // namespace

// ---- writer ----

namespace {

const char* const RelationsNamespace = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

const char* VAlignValue(TDocxVAlign Align) {
    switch (Align) {
    case dvCenter:
        return "center";
    case dvBottom:
        return "bottom";
    case dvTop:
        break;
    }
    return "top";
}

// What a run has unless it says otherwise: the document's font, size and colour.
struct TRunDefaults {
    QString Font;
    double Size = 0;
    QString Color;
};

void WriteParagraph(pugi::xml_node Parent, const TDocxParagraph& Paragraph, const TRunDefaults& Defaults) {
    pugi::xml_node p = Parent.append_child("w:p");
    pugi::xml_node pPr = p.append_child("w:pPr");
    if (Paragraph.SpaceAfter > 0)
        pPr.append_child("w:spacing").append_attribute("w:after") =
            int(std::lround(Paragraph.SpaceAfter * 20));
    if (Paragraph.IndentLeft > 0)
        pPr.append_child("w:ind").append_attribute("w:left") = Twips(Paragraph.IndentLeft);
    if (Paragraph.Align != daLeft)
        pPr.append_child("w:jc").append_attribute("w:val") = AlignValue(Paragraph.Align);
    if (!pPr.first_child()) p.remove_child(pPr);
    for (const TDocxRun& run : Paragraph.Runs) {
        pugi::xml_node r = p.append_child("w:r");
        // Properties in the order the schema gives them.
        pugi::xml_node props = r.append_child("w:rPr");
        if (!run.FontName.isEmpty() && run.FontName != Defaults.Font) {
            pugi::xml_node fonts = props.append_child("w:rFonts");
            const std::string font = Utf8(run.FontName);
            for (const char* attr : {"w:ascii", "w:hAnsi", "w:cs", "w:eastAsia"})
                fonts.append_attribute(attr) = font.c_str();
        }
        if (run.Bold) props.append_child("w:b");
        if (run.Italic) props.append_child("w:i");
        if (run.Strike) props.append_child("w:strike");
        if (!run.Color.isEmpty() && run.Color != Defaults.Color)
            props.append_child("w:color").append_attribute("w:val") = Utf8(run.Color).c_str();
        if (run.FontSize > 0 && run.FontSize != Defaults.Size) {
            props.append_child("w:sz").append_attribute("w:val") = HalfPoints(run.FontSize).c_str();
            props.append_child("w:szCs").append_attribute("w:val") = HalfPoints(run.FontSize).c_str();
        }
        if (run.Underline) props.append_child("w:u").append_attribute("w:val") = "single";
        if (!props.first_child()) r.remove_child(props);
        AppendRunText(r, run.Text);
    }
}

void WriteBorder(pugi::xml_node Borders, const char* Side) {
    pugi::xml_node line = Borders.append_child(Side);
    line.append_attribute("w:val") = "single";
    line.append_attribute("w:sz") = 4;
    line.append_attribute("w:space") = 0;
    line.append_attribute("w:color") = "000000";
}

// The table element with its properties and column grid, without rows.
pugi::xml_node WriteTableStart(pugi::xml_node Parent, const TDocxTable& Table) {
    pugi::xml_node tbl = Parent.append_child("w:tbl");
    pugi::xml_node tblPr = tbl.append_child("w:tblPr");
    int total = 0;
    for (double width : Table.ColumnWidths)
        total += Twips(width);
    pugi::xml_node tblW = tblPr.append_child("w:tblW");
    tblW.append_attribute("w:w") = total;
    tblW.append_attribute("w:type") = "dxa";
    // The table's own lines, inside as well as around, instead of four on each cell.
    if (Table.Borders) {
        pugi::xml_node borders = tblPr.append_child("w:tblBorders");
        for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
            WriteBorder(borders, side);
    }
    tblPr.append_child("w:tblLayout").append_attribute("w:type") = "fixed";
    pugi::xml_node margins = tblPr.append_child("w:tblCellMar");
    for (const char* side : {"w:left", "w:right"}) {
        pugi::xml_node margin = margins.append_child(side);
        margin.append_attribute("w:w") = 57; // 1 mm
        margin.append_attribute("w:type") = "dxa";
    }
    pugi::xml_node grid = tbl.append_child("w:tblGrid");
    for (double width : Table.ColumnWidths)
        grid.append_child("w:gridCol").append_attribute("w:w") = Twips(width);
    return tbl;
}

// Row Index of Table. Without column widths (a streamed table, whose widths come last) the cells
// carry no width of their own and take the table's grid.
void WriteTableRow(pugi::xml_node Parent, const TDocxTable& Table, int Index, const QList<TDocxCell>& Row,
                   const TRunDefaults& Defaults) {
    pugi::xml_node tr = Parent.append_child("w:tr");
    if (Table.RowsWhole || Index < Table.HeaderRows) {
        pugi::xml_node trPr = tr.append_child("w:trPr");
        if (Table.RowsWhole) trPr.append_child("w:cantSplit");
        if (Index < Table.HeaderRows) trPr.append_child("w:tblHeader");
    }
    const QList<double>& widths = Table.ColumnWidths;
    int column = 0;
    for (const TDocxCell& cell : Row) {
        pugi::xml_node tc = tr.append_child("w:tc");
        pugi::xml_node tcPr = tc.append_child("w:tcPr");
        if (!widths.isEmpty()) {
            int width = 0;
            for (int i = column; i < column + cell.GridSpan && i < widths.size(); ++i)
                width += Twips(widths[i]);
            pugi::xml_node tcW = tcPr.append_child("w:tcW");
            tcW.append_attribute("w:w") = width;
            tcW.append_attribute("w:type") = "dxa";
        }
        column += cell.GridSpan;
        if (cell.GridSpan > 1) tcPr.append_child("w:gridSpan").append_attribute("w:val") = cell.GridSpan;
        if (cell.VMerge == dmRestart)
            tcPr.append_child("w:vMerge").append_attribute("w:val") = "restart";
        else if (cell.VMerge == dmContinue)
            tcPr.append_child("w:vMerge");
        if (!cell.Fill.isEmpty()) {
            pugi::xml_node shd = tcPr.append_child("w:shd");
            shd.append_attribute("w:val") = "clear";
            shd.append_attribute("w:color") = "auto";
            shd.append_attribute("w:fill") = Utf8(cell.Fill).c_str();
        }
        if (cell.NoWrap) tcPr.append_child("w:noWrap");
        if (cell.VAlign != dvTop)
            tcPr.append_child("w:vAlign").append_attribute("w:val") = VAlignValue(cell.VAlign);
        if (!tcPr.first_child()) tc.remove_child(tcPr);
        WriteParagraph(tc, cell.Paragraph, Defaults);
    }
}

// Where the rows of streamed table N go in a serialized part. Text cannot hold it: "<" in text
// is always escaped.
QByteArray RowsMark(int N) {
    return "<?rows " + QByteArray::number(N) + "?>";
}

template <class TBlocks>
void WriteBlocks(pugi::xml_node Parent, const TBlocks& Blocks, const TRunDefaults& Defaults) {
    for (int i = 0; i < Blocks.size(); ++i) {
        const auto& block = Blocks[i];
        if (!block.IsTable) {
            WriteParagraph(Parent, block.Paragraph, Defaults);
            continue;
        }
        pugi::xml_node table = WriteTableStart(Parent, block.Table);
        if (block.Streamed) {
            pugi::xml_node mark = table.append_child(pugi::node_pi);
            mark.set_name("rows");
            mark.set_value(std::to_string(i).c_str());
        }
        for (int r = 0; r < block.Table.Rows.size(); ++r)
            WriteTableRow(table, block.Table, r, block.Table.Rows[r], Defaults);
    }
    // Word wants a paragraph after a table that ends a body or a header.
    if (Blocks.isEmpty() || Blocks.last().IsTable) WriteParagraph(Parent, TDocxParagraph(), Defaults);
}

} // namespace

// The rows of streamed tables, serialized one after another into a temporary file.
struct TDocxWriter::TRowStore {
    QTemporaryFile File;
    pugi::xml_document Scratch;
};

TDocxWriter::TDocxWriter() = default;
TDocxWriter::~TDocxWriter() = default;

void TDocxWriter::BeginTable(const TDocxTable& Properties) {
    if (!FRows) {
        FRows = std::make_unique<TRowStore>();
        if (!FRows->File.open())
            throw EDocxError(QStringLiteral("Cannot create a file for the table's rows"));
    }
    TBlock block;
    block.IsTable = true;
    block.Streamed = true;
    block.Table = Properties;
    block.Table.Rows.clear();
    // The widths come last: until then the rows' cells take the table's grid.
    block.Table.ColumnWidths.clear();
    block.RowsFrom = block.RowsTo = FRows->File.pos();
    FBody.append(block);
}

void TDocxWriter::AddTableRow(const QList<TDocxCell>& Row) {
    FRows->Scratch.reset();
    TBlock& table = FBody.last();
    WriteTableRow(FRows->Scratch, table.Table, table.RowCount++, Row, {FFont, FFontSize, FColor});
    std::ostringstream out;
    FRows->Scratch.first_child().print(out, "", pugi::format_raw, pugi::encoding_utf8);
    const std::string text = out.str();
    if (FRows->File.write(text.data(), qint64(text.size())) != qint64(text.size()))
        throw EDocxError(Format("Cannot store the table's rows: %s", {FRows->File.errorString()}));
    table.RowsTo = FRows->File.pos();
}

void TDocxWriter::EndTable(const QList<double>& ColumnWidths) {
    FBody.last().Table.ColumnWidths = ColumnWidths;
    if (!FRows->File.flush())
        throw EDocxError(Format("Cannot store the table's rows: %s", {FRows->File.errorString()}));
}

void TDocxWriter::SetPage(double WidthMm, double HeightMm, double MarginMm) {
    FPageWidth = WidthMm;
    FPageHeight = HeightMm;
    FMargin = MarginMm;
}

void TDocxWriter::SetFont(const QString& Family, double SizePt, const QString& Color) {
    FFont = Family;
    FFontSize = SizePt;
    FColor = Color;
}

TDocxParagraph& TDocxWriter::AddParagraph(const QList<TDocxRun>& Runs, TDocxAlign Align, TDocxPart Part) {
    TBlock block;
    block.Paragraph = TDocxParagraph{Runs, Align};
    Blocks(Part).append(block);
    return Blocks(Part).last().Paragraph;
}

void TDocxWriter::AddTable(const TDocxTable& Table, TDocxPart Part) {
    TBlock block;
    block.IsTable = true;
    block.Table = Table;
    Blocks(Part).append(block);
}

void TDocxWriter::SaveToFile(const QString& Path) const {
    const bool withHeader = !FHeader.isEmpty();
    QByteArray contentTypes =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>";
    if (withHeader)
        contentTypes +=
            "<Override PartName=\"/word/header1.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml\"/>";
    contentTypes += "</Types>";
    const char* const packageRels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    QByteArray documentRels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
        "Target=\"styles.xml\"/>";
    if (withHeader)
        documentRels += "<Relationship Id=\"rId2\" "
                        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" "
                        "Target=\"header1.xml\"/>";
    documentRels += "</Relationships>";
    auto fromText = [](const QByteArray& Xml) {
        pugi::xml_document doc = NewPart();
        doc.append_buffer(Xml.constData(), size_t(Xml.size()));
        return Serialize(doc);
    };

    // Styles: the document's font and size, Bulgarian as the language, no spacing by default.
    pugi::xml_document styles = NewPart();
    pugi::xml_node stylesRoot = styles.append_child("w:styles");
    stylesRoot.append_attribute("xmlns:w") = WordNamespace;
    pugi::xml_node defaults = stylesRoot.append_child("w:docDefaults");
    pugi::xml_node rPr = defaults.append_child("w:rPrDefault").append_child("w:rPr");
    pugi::xml_node fonts = rPr.append_child("w:rFonts");
    const std::string font = Utf8(FFont);
    for (const char* attr : {"w:ascii", "w:hAnsi", "w:cs", "w:eastAsia"})
        fonts.append_attribute(attr) = font.c_str();
    if (!FColor.isEmpty()) rPr.append_child("w:color").append_attribute("w:val") = Utf8(FColor).c_str();
    rPr.append_child("w:sz").append_attribute("w:val") = HalfPoints(FFontSize).c_str();
    rPr.append_child("w:szCs").append_attribute("w:val") = HalfPoints(FFontSize).c_str();
    rPr.append_child("w:lang").append_attribute("w:val") = "bg-BG";
    pugi::xml_node spacing =
        defaults.append_child("w:pPrDefault").append_child("w:pPr").append_child("w:spacing");
    spacing.append_attribute("w:after") = "0";
    spacing.append_attribute("w:line") = "240";
    spacing.append_attribute("w:lineRule") = "auto";
    pugi::xml_node normal = stylesRoot.append_child("w:style");
    normal.append_attribute("w:type") = "paragraph";
    normal.append_attribute("w:default") = "1";
    normal.append_attribute("w:styleId") = "Normal";
    normal.append_child("w:name").append_attribute("w:val") = "Normal";

    pugi::xml_document document = NewPart();
    pugi::xml_node root = document.append_child("w:document");
    root.append_attribute("xmlns:w") = WordNamespace;
    root.append_attribute("xmlns:r") = RelationsNamespace;
    pugi::xml_node body = root.append_child("w:body");
    const TRunDefaults runDefaults{FFont, FFontSize, FColor};
    WriteBlocks(body, FBody, runDefaults);
    pugi::xml_node section = body.append_child("w:sectPr");
    if (withHeader) {
        pugi::xml_node reference = section.append_child("w:headerReference");
        reference.append_attribute("w:type") = "default";
        reference.append_attribute("r:id") = "rId2";
    }
    pugi::xml_node size = section.append_child("w:pgSz");
    size.append_attribute("w:w") = Twips(FPageWidth);
    size.append_attribute("w:h") = Twips(FPageHeight);
    if (FPageWidth > FPageHeight) size.append_attribute("w:orient") = "landscape";
    pugi::xml_node margins = section.append_child("w:pgMar");
    for (const char* attr : {"w:top", "w:right", "w:bottom", "w:left"})
        margins.append_attribute(attr) = Twips(FMargin);
    // A header sits halfway into the top margin.
    margins.append_attribute("w:header") = withHeader ? Twips(FMargin / 2) : 0;
    for (const char* attr : {"w:footer", "w:gutter"})
        margins.append_attribute(attr) = 0;

    QList<QPair<QString, QByteArray>> parts{
        {QStringLiteral("[Content_Types].xml"), fromText(contentTypes)},
        {QStringLiteral("_rels/.rels"), fromText(packageRels)},
        {QStringLiteral("word/_rels/document.xml.rels"), fromText(documentRels)},
        {QStringLiteral("word/styles.xml"), Serialize(styles)}};
    // The body goes through a file of its own, the streamed rows copied in at their marks.
    QTemporaryFile bodyFile;
    if (!bodyFile.open()) throw EDocxError(QStringLiteral("Cannot create a file for the document's body"));
    const QByteArray text = Serialize(document);
    qsizetype from = 0;
    for (int i = 0; i < FBody.size(); ++i) {
        if (!FBody[i].Streamed) continue;
        const QByteArray mark = RowsMark(i);
        const qsizetype at = text.indexOf(mark, from);
        bodyFile.write(text.constData() + from, at - from);
        FRows->File.seek(FBody[i].RowsFrom);
        QByteArray chunk;
        for (qint64 left = FBody[i].RowsTo - FBody[i].RowsFrom; left > 0; left -= chunk.size()) {
            chunk = FRows->File.read(std::min<qint64>(left, 1 << 20));
            if (chunk.isEmpty()) throw EDocxError(QStringLiteral("Cannot read back the table's rows"));
            bodyFile.write(chunk);
        }
        from = at + mark.size();
    }
    bodyFile.write(text.constData() + from, text.size() - from);
    if (!bodyFile.flush() || bodyFile.error() != QFileDevice::NoError)
        throw EDocxError(Format("Cannot write the document's body: %s", {bodyFile.errorString()}));
    if (withHeader) {
        pugi::xml_document header = NewPart();
        pugi::xml_node hdr = header.append_child("w:hdr");
        hdr.append_attribute("xmlns:w") = WordNamespace;
        hdr.append_attribute("xmlns:r") = RelationsNamespace;
        WriteBlocks(hdr, FHeader, runDefaults);
        parts.append({QStringLiteral("word/header1.xml"), Serialize(header)});
    }
    WriteZipEntries(Path, parts, true, {{QStringLiteral("word/document.xml"), bodyFile.fileName()}});
}

// ---- filler ----

namespace {

// A piece of a paragraph's text: the text of a w:t, or the one character of a tab or break.
struct TPiece {
    pugi::xml_node Node;
    bool IsText = false;
    int Start = 0;
    int Length = 0;
};

} // namespace

struct DocxTemplateFiller::TData {
    QString Path;
    pugi::xml_document Doc;
    std::string Prefix; // "w:" as the document spells the main namespace

    std::string Name(const char* Local) const { return Prefix + Local; }

    QString LocalName(pugi::xml_node Node) const {
        const char* name = Node.name();
        if (Prefix.empty() || strncmp(name, Prefix.c_str(), Prefix.size()) != 0) return QString();
        return FromUtf8(name + Prefix.size());
    }

    // The pieces of Paragraph in reading order. Properties (which hold tab stops), deleted text,
    // field codes and paragraphs nested in text boxes are not part of its text.
    void Collect(pugi::xml_node Node, QList<TPiece>& Pieces, QString& Text) const {
        for (pugi::xml_node child = Node.first_child(); child; child = child.next_sibling()) {
            if (child.type() != pugi::node_element) continue;
            const QString local = LocalName(child);
            if (local == u"t") {
                const QString text = FromUtf8(child.text().get());
                Pieces.append({child, true, int(Text.size()), int(text.size())});
                Text += text;
            } else if (local == u"tab" || local == u"br" || local == u"cr") {
                Pieces.append({child, false, int(Text.size()), 1});
                Text += local == u"tab" ? u'\t' : u'\n';
            } else if (local == u"p" || local.endsWith(u"Pr") || local == u"delText" ||
                       local == u"instrText") {
                continue;
            } else {
                Collect(child, Pieces, Text);
            }
        }
    }

    // A paragraph whose text a replacement has emptied is removed, as a removed line should be,
    // unless it still shows something, ends a section, or is the last one of its table cell.
    bool Removable(pugi::xml_node Paragraph) const {
        for (const pugi::xpath_node& node : Paragraph.select_nodes(".//*")) {
            const QString local = LocalName(node.node());
            if (local == u"drawing" || local == u"pict" || local == u"object" || local == u"sectPr")
                return false;
        }
        for (pugi::xml_node sibling = Paragraph.parent().first_child(); sibling;
             sibling = sibling.next_sibling()) {
            const QString local = LocalName(sibling);
            if (sibling != Paragraph && (local == u"p" || local == u"tbl")) return true;
        }
        return false;
    }

    QList<pugi::xml_node> Paragraphs() const {
        QList<pugi::xml_node> result;
        const std::string query = "//" + Name("body") + "//" + Name("p");
        for (const pugi::xpath_node& node : Doc.select_nodes(query.c_str()))
            result.append(node.node());
        return result;
    }

    pugi::xml_node NewText(pugi::xml_node Run, pugi::xml_node After, const QString& Text) const {
        pugi::xml_node t =
            After ? Run.insert_child_after(Name("t").c_str(), After) : Run.append_child(Name("t").c_str());
        SetText(t, Text);
        return t;
    }

    static void SetText(pugi::xml_node T, const QString& Text) {
        if (!T.attribute("xml:space")) T.append_attribute("xml:space");
        T.attribute("xml:space").set_value("preserve");
        T.text().set(Utf8(Text).c_str());
    }

    // Puts Value in place of the characters From..To of the paragraph whose pieces are given.
    void Replace(const QList<TPiece>& Pieces, int From, int To, const QString& Value) const {
        pugi::xml_node target; // the w:t that receives the value
        QString tail;          // text of the first piece after the match, when the match ends in it
        QList<pugi::xml_node> removed;
        for (const TPiece& piece : Pieces) {
            const int end = piece.Start + piece.Length;
            if (end <= From || piece.Start >= To) continue;
            if (!target) {
                if (piece.IsText) {
                    const QString text = FromUtf8(piece.Node.text().get());
                    const int local = From - piece.Start;
                    if (To < end) tail = text.mid(To - piece.Start);
                    SetText(piece.Node, text.left(local));
                    target = piece.Node;
                } else {
                    // The match starts at a tab or break: the value goes into a new text before it.
                    target = piece.Node.parent().insert_child_before(Name("t").c_str(), piece.Node);
                    SetText(target, QString());
                    removed.append(piece.Node);
                }
                continue;
            }
            if (piece.IsText) {
                SetText(piece.Node,
                        FromUtf8(piece.Node.text().get()).mid(qMin(piece.Length, To - piece.Start)));
            } else {
                removed.append(piece.Node);
            }
        }
        const QStringList lines = Value.split(u'\n');
        SetText(target, FromUtf8(target.text().get()) + lines.first());
        pugi::xml_node last = target;
        for (int i = 1; i < lines.size(); ++i) {
            pugi::xml_node br = last.parent().insert_child_after(Name("br").c_str(), last);
            last = NewText(last.parent(), br, lines[i]);
        }
        SetText(last, FromUtf8(last.text().get()) + tail);
        for (pugi::xml_node node : removed)
            node.parent().remove_child(node);
    }
};

DocxTemplateFiller::DocxTemplateFiller(const QString& Path) : D(std::make_unique<TData>()) {
    D->Path = Path;
    const QByteArray xml = ReadZipEntry(Path, DocumentPart);
    // Whitespace-only texts are kept: a w:t holding one blank is a real blank of the document.
    const pugi::xml_parse_result parsed = D->Doc.load_buffer(
        xml.constData(), size_t(xml.size()),
        pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration, pugi::encoding_utf8);
    if (!parsed)
        throw EDocxError(
            Format("%s of \"%s\" is not well-formed: %s", {DocumentPart, Path, parsed.description()}));
    pugi::xml_node root = D->Doc.document_element();
    for (pugi::xml_attribute attr = root.first_attribute(); attr; attr = attr.next_attribute()) {
        const std::string name = attr.name();
        if (strcmp(attr.value(), WordNamespace) == 0 && name.rfind("xmlns:", 0) == 0) {
            D->Prefix = name.substr(6) + ":";
            break;
        }
    }
    if (D->Prefix.empty()) throw EDocxError(Format("\"%s\" is not a Word document", {Path}));
}

DocxTemplateFiller::~DocxTemplateFiller() = default;

int DocxTemplateFiller::ReplaceAll(const QString& Name, const QString& Value, Qt::CaseSensitivity Cs) {
    return ReplaceInOnePass({{Name, Value}}, Cs);
}

void DocxTemplateFiller::ReplaceRecords(const TDelimitedStrings& Records, Qt::CaseSensitivity Cs) {
    QList<QPair<QString, QString>> pairs;
    for (int i = 0; i < Records.Count(); ++i) {
        const QString record = Records.Get(i);
        const int at = int(record.indexOf(Records.FieldDelimiter()));
        if (at < 0)
            pairs.append({record, QString()});
        else
            pairs.append({record.left(at), record.mid(at + 1)});
    }
    ReplaceInOnePass(pairs, Cs);
}

int DocxTemplateFiller::ReplaceInOnePass(const QList<QPair<QString, QString>>& Pairs,
                                         Qt::CaseSensitivity Cs) {
    int count = 0;
    for (pugi::xml_node paragraph : D->Paragraphs()) {
        int from = 0;
        int found = 0;
        QString text;
        for (;;) {
            QList<TPiece> pieces;
            text.clear();
            D->Collect(paragraph, pieces, text);
            // The placeholder that starts first; of two starting together, the one listed first.
            int at = -1;
            const QPair<QString, QString>* match = nullptr;
            for (const auto& pair : Pairs) {
                if (pair.first.isEmpty()) continue;
                const int i = int(text.indexOf(pair.first, from, Cs));
                if (i >= 0 && (at < 0 || i < at)) {
                    at = i;
                    match = &pair;
                }
            }
            if (!match) break;
            D->Replace(pieces, at, at + int(match->first.size()), match->second);
            from = at + int(match->second.size());
            ++found;
        }
        count += found;
        if (found > 0 && text.isEmpty() && D->Removable(paragraph))
            paragraph.parent().remove_child(paragraph);
    }
    return count;
}

QStringList DocxTemplateFiller::ParagraphTexts() const {
    QStringList result;
    for (pugi::xml_node paragraph : D->Paragraphs()) {
        QList<TPiece> pieces;
        QString text;
        D->Collect(paragraph, pieces, text);
        result.append(text);
    }
    return result;
}

void DocxTemplateFiller::Save() {
    WriteZipEntries(D->Path, {{QString::fromLatin1(DocumentPart), Serialize(D->Doc)}}, false);
}
