#include "framework/export/Docx.h"

#include "core/uDelimitedStrings.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>

namespace {

// A document of one paragraph per entry, each entry's pieces written as runs of their own, the
// way Word splits a word it has checked or reformatted.
QString WriteDocument(const QTemporaryDir& Dir, const QList<QStringList>& Paragraphs) {
    TDocxWriter writer;
    for (const QStringList& pieces : Paragraphs) {
        QList<TDocxRun> runs;
        bool bold = false;
        for (const QString& piece : pieces) {
            TDocxRun run;
            run.Text = piece;
            run.Bold = bold;
            bold = !bold;
            runs.append(run);
        }
        writer.AddParagraph(runs);
    }
    const QString path = Dir.filePath(QStringLiteral("t.docx"));
    writer.SaveToFile(path);
    return path;
}

// A zip holding only the given document part, as a hand-made template.
void WriteDocumentPart(const QString& Path, const QByteArray& Xml) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(Path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    zip_source_t* source = zip_source_buffer(archive, Xml.constData(), zip_uint64_t(Xml.size()), 0);
    ASSERT_GE(zip_file_add(archive, "word/document.xml", source, ZIP_FL_OVERWRITE), 0);
    ASSERT_EQ(zip_close(archive), 0);
}

QByteArray ReadDocumentPart(const QString& Path) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(Path).constData(), ZIP_RDONLY, &error);
    if (!archive) return {};
    zip_stat_t stat;
    zip_stat(archive, "word/document.xml", 0, &stat);
    QByteArray data(qsizetype(stat.size), '\0');
    zip_file_t* file = zip_fopen(archive, "word/document.xml", 0);
    zip_fread(file, data.data(), stat.size);
    zip_fclose(file);
    zip_discard(archive);
    return data;
}

const QByteArray DocumentStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>";
const QByteArray DocumentEnd = "</w:body></w:document>";

struct TReplaceCase {
    const char* Title;
    QStringList Runs;
    QString Name;
    QString Value;
    Qt::CaseSensitivity Cs;
    int Count;
    QString Expected;
};

void PrintTo(const TReplaceCase& Case, std::ostream* Out) {
    *Out << Case.Title;
}

class DocxReplace : public ::testing::TestWithParam<TReplaceCase> {};

TEST_P(DocxReplace, FillsTheParagraphAndSurvivesSaving) {
    const TReplaceCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = WriteDocument(dir, {c.Runs});
    {
        DocxTemplateFiller filler(path);
        EXPECT_EQ(filler.ReplaceAll(c.Name, c.Value, c.Cs), c.Count);
        EXPECT_EQ(filler.ParagraphTexts(), QStringList{c.Expected});
        filler.Save();
    }
    DocxTemplateFiller reread(path);
    EXPECT_EQ(reread.ParagraphTexts(), QStringList{c.Expected});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DocxReplace,
    ::testing::Values(
        TReplaceCase{
            "OneRun", {"Договор № dog_nomer."}, "dog_nomer", "17", Qt::CaseInsensitive, 1, "Договор № 17."},
        TReplaceCase{"SplitOverThreeRuns",
                     {"Договор № dog_", "nom", "er от днес"},
                     "dog_nomer",
                     "17",
                     Qt::CaseInsensitive,
                     1,
                     "Договор № 17 от днес"},
        TReplaceCase{"SplitAtTheEdges",
                     {"dog_nomer", "", "-dog", "_nomer"},
                     "dog_nomer",
                     "5",
                     Qt::CaseInsensitive,
                     2,
                     "5-5"},
        TReplaceCase{
            "CaseIgnored", {"Dog_Nomer и DOG_NOMER"}, "dog_nomer", "1", Qt::CaseInsensitive, 2, "1 и 1"},
        TReplaceCase{"CaseKept", {"Dogovor и dogovor"}, "dogovor", "7", Qt::CaseSensitive, 1, "Dogovor и 7"},
        TReplaceCase{
            "CyrillicCaseIgnored", {"МАРКА: ", "marka"}, "Марка: MARKA", "", Qt::CaseInsensitive, 1, ""},
        TReplaceCase{"ValueHoldsTheName",
                     {"Notes, Notes"},
                     "Notes",
                     "Notes 2",
                     Qt::CaseInsensitive,
                     2,
                     "Notes 2, Notes 2"},
        TReplaceCase{
            "MarkupCharacters", {"a ", "x", " b"}, "x", "<&\"'>", Qt::CaseSensitive, 1, "a <&\"'> b"},
        TReplaceCase{"BlanksKept", {" ", "name", " "}, "name", "  ", Qt::CaseSensitive, 1, "    "},
        TReplaceCase{"LineBreakInValue", {"[", "v", "]"}, "v", "a\nb\nc", Qt::CaseSensitive, 1, "[a\nb\nc]"},
        TReplaceCase{"MatchOverATab", {"x\ty z"}, "x\ty", "1", Qt::CaseSensitive, 1, "1 z"},
        TReplaceCase{"NoMatch", {"dog_", "nomer"}, "item_name", "x", Qt::CaseInsensitive, 0, "dog_nomer"}),
    [](const ::testing::TestParamInfo<TReplaceCase>& Info) { return std::string(Info.param.Title); });

TEST(Docx, RecordsFillInOnePassAndSplitAtTheFirstDelimiter) {
    QTemporaryDir dir;
    const QString path = WriteDocument(
        dir, {{"A: ", "first"}, {"B: sec", "ond"}, {"Марка: marka Модел: model"}, {"model first"}});
    DocxTemplateFiller filler(path);
    TDelimitedStringList records;
    records.Add(QStringLiteral("first@second"));               // a value that is another placeholder
    records.Add(QStringLiteral("second@mail@example"));        // "@" inside a value stays
    records.Add(QStringLiteral("Марка: marka Модел: model@")); // a line removed
    records.Add(QStringLiteral("model@Astra"));
    filler.ReplaceRecords(records, Qt::CaseInsensitive);
    // An inserted value is never searched again.
    EXPECT_EQ(filler.ParagraphTexts(),
              (QStringList{QStringLiteral("A: second"), QStringLiteral("B: mail@example"),
                           QStringLiteral("Astra second")}));
}

TEST(Docx, OnlyTheTextOfTheBodyCounts) {
    // Tab stops in the paragraph properties, deleted text and field codes are no text; table cells
    // and the runs of a hyperlink are.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hand.docx"));
    WriteDocumentPart(
        path, DocumentStart +
                  "<w:p><w:pPr><w:tabs><w:tab w:val=\"left\" w:pos=\"720\"/></w:tabs></w:pPr>"
                  "<w:r><w:t>EG</w:t></w:r><w:del><w:r><w:delText>zz</w:delText></w:r></w:del>"
                  "<w:r><w:instrText> PAGE </w:instrText></w:r><w:hyperlink><w:r><w:t>N</w:t></w:r>"
                  "</w:hyperlink></w:p>"
                  "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>cell egn</w:t></w:r></w:p></w:tc></w:tr></w:tbl>" +
                  DocumentEnd);
    DocxTemplateFiller filler(path);
    EXPECT_EQ(filler.ReplaceAll(QStringLiteral("EGN"), QStringLiteral("0101"), Qt::CaseInsensitive), 2);
    EXPECT_EQ(filler.ParagraphTexts(), (QStringList{QStringLiteral("0101"), QStringLiteral("cell 0101")}));
    filler.Save();
    const QByteArray xml = ReadDocumentPart(path);
    EXPECT_TRUE(xml.contains("<w:delText>zz</w:delText>"));
    EXPECT_TRUE(xml.contains("<w:tab w:val=\"left\" w:pos=\"720\"/>"));
}

TEST(Docx, EmptiedParagraphsGoUnlessACellNeedsThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hand.docx"));
    WriteDocumentPart(
        path, DocumentStart +
                  "<w:p><w:r><w:t>line</w:t></w:r></w:p><w:p/><w:p><w:r><w:t>keep line</w:t></w:r></w:p>"
                  "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>line</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
                  "<w:p><w:r><w:t>li</w:t><w:drawing/><w:t>ne</w:t></w:r></w:p>" +
                  DocumentEnd);
    DocxTemplateFiller filler(path);
    EXPECT_EQ(filler.ReplaceAll(QStringLiteral("line"), QString(), Qt::CaseSensitive), 4);
    // The blank paragraph was blank before and stays; the cell keeps its one paragraph; the
    // drawing still shows.
    EXPECT_EQ(filler.ParagraphTexts(),
              (QStringList{QString(), QStringLiteral("keep "), QString(), QString()}));
}

TEST(Docx, ValuesKeepTheirBlanksAndBreaks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hand.docx"));
    WriteDocumentPart(path, DocumentStart +
                                "<w:p><w:r><w:t>a</w:t></w:r><w:r><w:t xml:space=\"preserve\"> </w:t></w:r>"
                                "<w:r><w:t>v</w:t></w:r></w:p>" +
                                DocumentEnd);
    DocxTemplateFiller filler(path);
    filler.ReplaceAll(QStringLiteral("v"), QStringLiteral(" x\ny "), Qt::CaseSensitive);
    filler.Save();
    const QByteArray xml = ReadDocumentPart(path);
    EXPECT_TRUE(xml.contains("<w:t xml:space=\"preserve\"> </w:t>")) << xml.constData();
    EXPECT_TRUE(
        xml.contains("<w:t xml:space=\"preserve\"> x</w:t><w:br/><w:t xml:space=\"preserve\">y </w:t>"))
        << xml.constData();
    EXPECT_TRUE(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
}

TEST(Docx, NoWordDocument) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.docx"));
    WriteDocumentPart(path, "<root><p/></root>");
    EXPECT_THROW(DocxTemplateFiller{path}, EDocxError);
}

TEST(Docx, BrokenFilesAreRefused) {
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("plain.docx"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a zip");
    file.close();
    EXPECT_THROW(DocxTemplateFiller{text}, EDocxError);
    EXPECT_THROW(DocxTemplateFiller{dir.filePath(QStringLiteral("missing.docx"))}, EDocxError);
}

} // namespace

TEST(Docx, AStreamedTableKeepsItsPlaceItsRowsAndItsWidths) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.docx"));
    auto cell = [](const QString& Text) {
        TDocxCell c;
        c.Paragraph.Runs.append(TDocxRun{Text});
        return c;
    };
    TDocxWriter writer;
    writer.AddParagraph({TDocxRun{QStringLiteral("преди")}});
    writer.BeginTable();
    // A text that looks like the writer's own mark of where the rows go.
    writer.AddTableRow({cell(QStringLiteral("<?rows 1?>")), cell(QStringLiteral("a"))});
    writer.AddTableRow({cell(QStringLiteral("б")), cell(QStringLiteral("в"))});
    writer.EndTable({20, 30});
    writer.AddParagraph({TDocxRun{QStringLiteral("след")}});
    TDocxTable small;
    small.ColumnWidths = {40};
    small.Rows = {{cell(QStringLiteral("г"))}};
    writer.AddTable(small);
    writer.SaveToFile(path);

    DocxTemplateFiller filler(path);
    EXPECT_EQ(filler.ParagraphTexts(),
              QStringList({QStringLiteral("преди"), QStringLiteral("<?rows 1?>"), QStringLiteral("a"),
                           QStringLiteral("б"), QStringLiteral("в"), QStringLiteral("след"),
                           QStringLiteral("г"), QString()}));
    const QByteArray xml = ReadDocumentPart(path);
    // The widths given at the end head the streamed table: 20 and 30 mm in twentieths of a point.
    EXPECT_TRUE(
        xml.contains("<w:tblGrid><w:gridCol w:w=\"1134\"/><w:gridCol w:w=\"1701\"/></w:tblGrid><w:tr>"))
        << xml.toStdString();
}

// Word drops the blanks at the ends of a text, and may run several together, unless the text
// says to keep them; a text of single inner blanks needs no such mark.
TEST(Docx, TextsKeepTheBlanksWordWouldDrop) {
    QTemporaryDir dir;
    const QString path = WriteDocument(
        dir,
        {{QStringLiteral(" а")}, {QStringLiteral("б ")}, {QStringLiteral("в  г")}, {QStringLiteral("д е")}});
    const QString xml = QString::fromUtf8(ReadDocumentPart(path));
    for (const char* kept : {" а", "б ", "в  г"})
        EXPECT_TRUE(
            xml.contains(QStringLiteral("<w:t xml:space=\"preserve\">%1</w:t>").arg(QString::fromUtf8(kept))))
            << kept;
    EXPECT_TRUE(xml.contains(QStringLiteral("<w:t>д е</w:t>")));
}
