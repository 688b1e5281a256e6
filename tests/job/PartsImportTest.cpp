#include "job/PartsImport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/IniFile.h"
#include "base/Settings.h"
#include "fakes/RecordingPrompt.h"
#include "job/Edge.h"
#include "fakes/TempDir.h"

namespace {

// A part as one line: name|width|length|thickness|count|noTurn|kind|remark, lengths in mm.
std::string PartText(const CBuzai& part)
{
    return part.Name + "|" + FormatTenths(part.Width) + "|" + FormatTenths(part.Height) + "|" +
           FormatTenths(part.Thickness) + "|" + std::to_string(part.Count) + "|" +
           std::to_string(part.NoTurn) + "|" + part.Kind + "|" + part.Remark +
           ((part.EdgeTop + part.EdgeBottom + part.EdgeLeft + part.EdgeRight).empty()
                ? std::string()
                : "|" + part.EdgeTop + "," + part.EdgeBottom + "," + part.EdgeLeft + "," + part.EdgeRight);
}

std::string ErrorsText(const std::vector<ImportRowError>& errors)
{
    std::string text;
    for (const ImportRowError& error : errors) {
        text += std::to_string(error.Line) + ":" + error.Reason + ";";
    }
    return text;
}

std::string Cp932(const std::string& utf8)
{
    std::string bytes;
    EXPECT_TRUE(EncodeForDisk(utf8, bytes));
    return bytes;
}

// The mapping as the fields' columns in order, "-" for none, and "r" when grain is rotation.
std::string MappingShape(const ImportMapping& mapping)
{
    std::string shape;
    for (const int column : mapping.Column) {
        shape += column < 0 ? "-" : std::to_string(column);
    }
    return shape + (mapping.GrainIsRotation ? "r" : "");
}

}  // namespace

// Files as spreadsheets and other programs write them, through the guessed mapping.
TEST(PartsImport, ReadsTheFilesSpreadsheetsWrite)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> parts;  // PartText of each
        std::string errors;              // ErrorsText
        std::string problem = "";        // the file's message, after 部材
    };
    const std::string english = "Name,Width,Length,Thickness,Qty,Grain,Material,Note\n";
    const Case cases[] = {
        {"utf-8, english titles",
         english + "Side,580,720,18,2,yes,MDF,left\nShelf,560.5,300,18,3,no,MDF,\n",
         {"Side|580.0|720.0|18.0|2|1|MDF|left", "Shelf|560.5|300.0|18.0|3|0|MDF|"},
         ""},
        {"utf-8 with a byte order mark, japanese titles",
         "\xEF\xBB\xBF名称,幅,長さ,厚み,数量,木目,材質,備考\r\n側板,580,720,18,2,有,シナ合板,木目縦\r\n",
         {"側板|580.0|720.0|18.0|2|1|シナ合板|木目縦"},
         ""},
        {"shift-jis",
         Cp932("部材名,横,縦,厚さ,数,木目,種類,備考\n棚板,860,310,18,4,×,シナ合板,可動\n"),
         {"棚板|860.0|310.0|18.0|4|0|シナ合板|可動"},
         ""},
        {"tabs",
         "W\tL\tT\tPart\tQty\n600\t400\t18\t\"Top, wide\"\t1\n",
         {"Top, wide|600.0|400.0|18.0|1|0||"},
         ""},
        {"quoted cells: commas, quotes, a thousands separator",
         english + "\"Door \"\"A\"\", left\",\"1,200\",600,18,\"1,000\",0,MDF,\"x, y\"\n",
         {"Door \"A\", left|1200.0|600.0|18.0|1000|0|MDF|x, y"},
         ""},
        {"reordered and extra columns",
         "Qty,Colour,Length (mm),CNC,Width [mm],T,Part\n2,white,720,yes,580,18,Side\n",
         {"Side|580.0|720.0|18.0|2|0||"},
         ""},
        {"blank lines before the header and between rows, a spreadsheet's empty rows",
         "\n\nW,L,T\n600,400,18\n\n,,\n300,200,9\n,,\n",
         {"|600.0|400.0|18.0|1|0||", "|300.0|200.0|9.0|1|0||"},
         ""},
        {"a row with a bad number: the good rows still come",
         english + "A,600,400,18,1,0,,\nB,6OO,400,18,1,0,,\nC,600,400,18,0,0,,\nD,300,200,9,2,0,,\n",
         {"A|600.0|400.0|18.0|1|0||", "D|300.0|200.0|9.0|2|0||"},
         "3:幅「6OO」は数値ではありません;4:数量「0」は 1 から 9999 の範囲にありません;"},
        {"a grain that is no yes or no, a missing width",
         english + "A,600,400,18,1,maybe,,\nB,,400,18,1,0,,\n",
         {},
         "2:木目「maybe」は "
         "はい・いいえ（yes/no、1/0、有/無、○/×、不/可）のどれでもありません;3:幅がありません;"},
        {"a cell with a line break, text without a shift-jis form",
         english + "\"two\nlines\",600,400,18,1,0,,\nA,600,400,18,1,0,\xF0\x9F\x99\x82,\nB,1,1,1,1,0,,\n",
         {"B|1.0|1.0|1.0|1|0||"},
         "2:部材名のセルの中に改行があります;4:種類「\xF0\x9F\x99\x82」に Shift-JIS "
         "で表せない文字があります;"},
        {"band columns", "W,L,T,部材エッジ上,部材エッジ右\n600,400,18,A,木\n600,400,18,ABCDE,\n",
         {"|600.0|400.0|18.0|1|0|||A,,,木"}, "3:エッジ上「ABCDE」はエッジ記号ではありません（4 バイトまで）;"},
        {"the header only", english, {}, ""},
        {"an empty file", "", {}, "", "ファイル異常です。（空のファイルです）\n読み込みを中断しました。"},
        {"neither utf-8 nor shift-jis",
         english + "A,1,1,1,1,0,,\n\x85\x40,1,1,1,1,0,,\n",
         {},
         "",
         "ファイル異常です。（3行目、UTF-8 でも Shift-JIS "
         "でもない文字があります）\n読み込みを中断しました。"},
        {"shift-jis after utf-8",
         english + "側板,1,1,1,1,0,,\n" + Cp932("棚板") + ",1,1,1,1,0,,\n",
         {},
         "",
         "ファイル異常です。（3行目、UTF-8 として読めない文字があります）\n読み込みを中断しました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.bytes);
        ImportSheet sheet;
        const TableProblem problem = ReadImportSheet(in, sheet);
        EXPECT_EQ(problem.Error == TableError::None ? "" : ReadErrorText(problem), c.problem);
        if (!c.problem.empty()) {
            continue;
        }
        const ImportedParts imported = ImportRows(sheet, GuessMapping(sheet.Header));
        std::vector<std::string> parts;
        for (const CBuzai& part : imported.Parts) {
            parts.push_back(PartText(part));
        }
        EXPECT_EQ(parts, c.parts);
        EXPECT_EQ(ErrorsText(imported.Errors), c.errors);
    }
}

TEST(PartsImport, GuessesTheColumnsFromTheirTitles)
{
    // Fields in order: name, width, length, thickness, count, grain, kind, remark.
    struct Case {
        std::vector<std::string> header;
        const char* shape;
    };
    const Case cases[] = {
        {{"部材名", "部材横", "部材縦", "部材厚さ", "部材数", "部材横置き", "部材種類", "部材備考"},
         "01234567----"},
        {{"Part", "W", "L", "T", "Quantity", "Grain", "Material", "Notes"}, "01234567----"},
        {{" Width (mm) ", "LENGTH[mm]", "ＱＴＹ", "厚み（ｍｍ）", "Label"}, "40132-------"},
        {{"回転", "幅", "長さ"}, "-12--0------r"},
        {{"Rotate", "Grain", "w", "h"}, "-23--0------r"},  // the first title that fits wins
        {{"横", "幅", "縦", "長さ"}, "-02---------"},      // a column gives one field, the first
        {{"Colour", "CNC", "mm"}, "------------"},
        {{"名前", "横幅", "縦幅", "板厚", "枚数", "木目", "材料", "メモ"}, "01234567----"},
        {{"part_name", "Grain Direction", "width", "length"}, "023--1------"},
        {{"W", "L", "T", "部材エッジ上", "エッジ下", "Left Edge", "Edge right"}, "-012----3456"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        EXPECT_EQ(MappingShape(GuessMapping(c.header)), c.shape);
    }
}

TEST(PartsImport, ReadsAGrainCellEitherWayRound)
{
    struct Case {
        const char* cell;
        int grain;     // as a grain column: 1 = 横置きしない, -1 refused
        int rotation;  // as a rotation column
    };
    const Case cases[] = {
        {"yes", 1, 0},  {"Y", 1, 0},    {"TRUE", 1, 0}, {"1", 1, 0},     {"有", 1, 0}, {"○", 1, 0},
        {"あり", 1, 0}, {"no", 0, 1},   {"n", 0, 1},    {"false", 0, 1}, {"0", 0, 1},  {"無", 0, 1},
        {"×", 0, 1},    {"なし", 0, 1}, {"不", 1, 1},   {"不可", 1, 1},  {"可", 0, 0}, {"", 0, 0},
        {" ", 0, 0},    {"2", -1, -1},  {"縦", -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cell);
        for (const bool rotation : {false, true}) {
            const std::optional<std::int32_t> read = ReadGrain(c.cell, rotation);
            EXPECT_EQ(read ? *read : -1, rotation ? c.rotation : c.grain);
        }
    }
}

TEST(PartsImport, NeedsWidthLengthAndAThickness)
{
    ImportMapping mapping;
    EXPECT_EQ(MissingFields(mapping), "幅,長さ,厚み");
    mapping[ImportField::Width] = 0;
    mapping[ImportField::Length] = 1;
    EXPECT_EQ(MissingFields(mapping), "厚み");
    mapping.Thickness = 180;  // every part 18 mm of one material
    mapping.Kind = "MDF";
    EXPECT_EQ(MissingFields(mapping), "");

    ImportSheet sheet;
    sheet.Header = {"W", "L", "Colour"};
    sheet.Rows = {{2, {"600", "400", "white", "extra"}}};
    const ImportedParts imported = ImportRows(sheet, mapping);
    ASSERT_EQ(imported.Parts.size(), 1u);
    EXPECT_EQ(PartText(imported.Parts[0]), "|600.0|400.0|18.0|1|0|MDF|");
    mapping.Kind = "\xF0\x9F\x99\x82";
    EXPECT_EQ(ErrorsText(ImportRows(sheet, mapping).Errors),
              "2:種類「\xF0\x9F\x99\x82」に Shift-JIS で表せない文字があります;");
    mapping.Kind = "MDF";
    // Band columns name the codes of the band table, when there is one.
    mapping[ImportField::EdgeLeft] = 2;
    sheet.Rows = {{2, {"600", "400", "A", ""}}, {3, {"600", "400", "B", ""}}};
    CEdgeList table;
    table.Items = {{"A", "PVC", 5, 220, 40, 0, 0}};
    EXPECT_EQ(ErrorsText(ImportRows(sheet, mapping, &table).Errors),
              "3:エッジ左「B」はエッジ材にありません;");
    EXPECT_EQ(ImportRows(sheet, mapping).Errors.size(), 0u);
    mapping[ImportField::EdgeLeft] = -1;
    EXPECT_EQ(ImportNote(sheet, mapping),
              "寸法は mm として読みます（インチは換算しません）。\n取り込まない列: Colour,列4");
}

TEST(PartsImport, TakesCellsPastedWithOrWithoutTheirTitles)
{
    const std::string cells = "W\tL\tT\r\n600\t400\t18\r\n\"a\tb\"\t300\t9\r\n\r\n";
    const ImportSheet titled = SheetFromCells(cells, true);
    EXPECT_EQ(titled.Header, (std::vector<std::string>{"W", "L", "T"}));
    ASSERT_EQ(titled.Rows.size(), 2u);
    EXPECT_EQ(titled.Rows[1].Cells, (std::vector<std::string>{"a\tb", "300", "9"}));
    EXPECT_EQ(titled.Rows[1].Line, 3u);

    const ImportSheet untitled = SheetFromCells(cells, false);
    EXPECT_TRUE(untitled.Header.empty());
    EXPECT_EQ(untitled.Rows.size(), 3u);
    EXPECT_EQ(untitled.ColumnTitle(1), "列2");
    EXPECT_EQ(SheetTitles(untitled), (std::vector<std::string>{"列1", "列2", "列3"}));
}

TEST(PartsImport, RemembersTheMappingOfAHeader)
{
    const std::vector<std::string> header = {"a", "b", "c", "d"};
    ImportMapping mapping;
    mapping[ImportField::Width] = 2;
    mapping[ImportField::Length] = 0;
    mapping[ImportField::Grain] = 3;
    mapping.GrainIsRotation = true;
    mapping.Thickness = 185;
    mapping.Kind = "シナ合板 18 mm";

    std::vector<std::string> memory;
    RememberMapping(memory, header, mapping);
    EXPECT_EQ(RememberedMapping(memory, header), mapping);
    EXPECT_EQ(RememberedMapping(memory, {" a ", "b", "c", "d"}), mapping);  // blanks around aside
    EXPECT_FALSE(RememberedMapping(memory, {"a", "b", "c"}));

    // Through the settings file, and the newest first within the limit.
    for (int i = 0; i < 12; ++i) {
        RememberMapping(memory, {"x" + std::to_string(i)}, ImportMapping());
    }
    RememberMapping(memory, header, mapping);
    ASSERT_EQ(memory.size(), Settings::kMaxPartsImportMaps);
    Settings settings;
    settings.PartsImportMaps = memory;
    IniFile ini;
    settings.Store(ini);
    Settings loaded;
    loaded.Load(ini);
    EXPECT_EQ(loaded.PartsImportMaps, memory);
    EXPECT_EQ(RememberedMapping(loaded.PartsImportMaps, header), mapping);
    EXPECT_FALSE(RememberedMapping(loaded.PartsImportMaps, {"x0"}));  // the oldest went
    EXPECT_TRUE(RememberedMapping(loaded.PartsImportMaps, {"x11"}));

    // A damaged entry or one that names a column the header lacks is no mapping.
    const std::string key = HeaderKey(header);
    for (const std::string& entry : {key + " 0,1,2 0 0", key + " 0,1,2,3,4,5,6,7 0 0", key + " x"}) {  // 8: of earlier
        SCOPED_TRACE(entry);
        EXPECT_FALSE(RememberedMapping({entry}, header));
    }
    ImportSheet sheet;
    sheet.Header = {"W", "L", "T"};
    EXPECT_EQ(MappingShape(StartingMapping({}, sheet)), "-012--------");
    ImportMapping other;
    other[ImportField::Width] = 1;
    std::vector<std::string> remembered;
    RememberMapping(remembered, sheet.Header, other);
    EXPECT_EQ(StartingMapping(remembered, sheet), other);
}

// The headless import refuses what the dialog would show, naming it.
TEST(PartsImport, HeadlessImportTakesAllOrSaysWhy)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;  // "" when imported
        std::size_t parts;
    };
    const Case cases[] = {
        {"good", "Part,W,L,T,Qty,Colour\nA,600,400,18,2,red\n", "", 1},
        {"no length column", "Part,W,Depth,T\nA,600,400,18\n",
         "２次部材の取り込み: 長さ の列が見出しからわかりません。（見出し: "
         "Part,W,Depth,T）\n取り込みを中断しました。",
         0},
        {"a bad row", "W,L,T\n600,400,18\n600,-1,18\n600,400,x\n",
         "２次部材の取り込み: 取り込めない行があります。\n3行目: 長さ「-1」は 0.1 から 99999.9 "
         "の範囲にありません\n"
         "4行目: 厚み「x」は数値ではありません\n取り込みを中断しました。",
         0},
        {"no rows", "W,L,T\n", "２次部材の取り込み: 取り込む行がありません。\n取り込みを中断しました。", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("sheet.csv");
        std::ofstream(path, std::ios::binary) << c.bytes;
        CBuzaiList list;
        list.IsSecondary = 1;
        RecordingPrompt prompt;
        std::string note;
        EXPECT_EQ(ImportPartsFile(path, list, prompt, note), c.message.empty() ? 1 : 0);
        EXPECT_EQ(prompt.Shown,
                  c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
        EXPECT_EQ(list.Items.size(), c.parts);
        EXPECT_EQ(note, c.message.empty()
                            ? "寸法は mm として読みます（インチは換算しません）。\n取り込まない列: Colour"
                            : "");
    }
    CBuzaiList list;
    RecordingPrompt prompt;
    std::string note;
    EXPECT_EQ(ImportPartsFile(dir.File("none.csv"), list, prompt, note), 0);
    EXPECT_EQ(prompt.Shown,
              std::vector<std::string>{
                  "部材ファイルが開けません。（ファイルがありません）\n読み込みを中断しました。"});
}

// The kitchen parts after a trip through a spreadsheet program (an .ods saved as UTF-8 CSV, an
// .xlsx saved as Shift-JIS tab-separated text) import as the parts file reads.
TEST(PartsImport, KitchenPartsBackFromASpreadsheetAreTheSame)
{
    CBuzaiList original;
    RecordingPrompt prompt;
    ASSERT_EQ(original.Read(std::string(NESTRIX_EXAMPLE_JOB) + "/parts.csv", Settings(), prompt), 1);
    for (const char* file : {"kitchen-parts-ods-utf8.csv", "kitchen-parts-xlsx-sjis.txt"}) {
        SCOPED_TRACE(file);
        CBuzaiList imported;
        std::string note;
        ASSERT_EQ(ImportPartsFile(std::string(NESTRIX_TEST_SHEETS) + "/" + file, imported, prompt, note), 1)
            << (prompt.Shown.empty() ? "" : prompt.Shown.back());
        EXPECT_EQ(imported.ToText(), original.ToText());
    }
}
