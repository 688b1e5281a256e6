#include "exchange/DxfExport.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>

#include <dxflib/dl_dxf.h>
#include <dxflib/dl_writer_ascii.h>

#include "base/CalcError.h"
#include "base/Format.h"
#include "base/TextCodec.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "job/TableFile.h"
#include "platform/Prompt.h"
#include "result/RetData.h"

namespace {

// dxflib's ASCII writer with its output in memory instead of a file: the DL_Dxf entity writers
// take a DL_WriterA, and the staged outputs want bytes. The file name "" opens nothing.
class MemoryDxfWriter final : public DL_WriterA {
public:
    MemoryDxfWriter() : DL_WriterA("", DL_Codes::AC1015) {}

    const std::string& Bytes() const { return m_bytes; }

    void dxfReal(int gc, double value) const override
    {
        // 0.1 mm lengths as mm: four decimals hold them exactly; no trailing zeros but one.
        std::string text = Format("%.4f", value);
        while (text.size() > 2 && text.back() == '0' && text[text.size() - 2] != '.') {
            text.pop_back();
        }
        if (text == "-0.0") {
            text = "0.0";
        }
        Put(gc, text);
    }
    void dxfInt(int gc, int value) const override { Put(gc, std::to_string(value)); }
    void dxfHex(int gc, int value) const override { Put(gc, Format("%0X", static_cast<unsigned>(value))); }
    void dxfString(int gc, const char* value) const override { Put(gc, value); }
    void dxfString(int gc, const std::string& value) const override { Put(gc, value); }

private:
    void Put(int gc, const std::string& value) const
    {
        m_bytes += Format("%3d\n", gc);
        m_bytes += value;
        m_bytes += '\n';
    }
    mutable std::string m_bytes;  // the writer's methods are const in dxflib
};

// Text in the drawing's code page (ANSI_932, as Japanese CAD writes DXF 2000); a character
// without a CP932 form (the lists refuse them, a stored job may hold one) as \U+XXXX.
std::string DxfText(const std::string& utf8)
{
    std::string out;
    if (Utf8ToCp932(utf8, out)) {
        return out;
    }
    out.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        const std::string character = utf8.substr(i, length);
        i += length;
        std::string bytes;
        if (Utf8ToCp932(character, bytes)) {
            out += bytes;
            continue;
        }
        unsigned long code = c & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < character.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
        }
        out += code > 0xFFFF ? std::string("?") : Format("\\U+%04lX", code);  // \U+ names 4 digits
    }
    return out;
}

struct Layer {
    const char* Name;
    int Color;
};
constexpr Layer kLayers[] = {
    {"0", 7}, {"BOARD", 7}, {"TRIM", 8}, {"PART", 3}, {"PART_TEXT", 7}, {"OFFCUT", 4}, {"CUT", 1},
};

// Board coordinates (0.1 mm, y down from the top-left) to drawing coordinates (mm, y up).
class DrawingSpace {
public:
    explicit DrawingSpace(std::int32_t boardLength) : m_length(boardLength) {}
    double X(double x) const { return x / 10.0; }
    double Y(double y) const { return (m_length - y) / 10.0; }

private:
    std::int32_t m_length;
};

class PatternWriter {
public:
    PatternWriter(MemoryDxfWriter& out, const DrawingSpace& space) : m_out(out), m_space(space) {}

    void Rectangle(const char* layer, double x0, double y0, double x1, double y1)
    {
        m_dxf.writePolyline(m_out, DL_PolylineData(4, 0, 0, 1), Attributes(layer));
        for (const auto& [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}) {
            m_dxf.writeVertex(m_out, DL_VertexData(m_space.X(x), m_space.Y(y)));
        }
        m_dxf.writePolylineEnd(m_out);
    }

    void Line(const char* layer, double x0, double y0, double x1, double y1)
    {
        m_dxf.writeLine(m_out,
                        DL_LineData(m_space.X(x0), m_space.Y(y0), 0.0, m_space.X(x1), m_space.Y(y1), 0.0),
                        Attributes(layer));
    }

    // Text centred on (x, y) in board coordinates, `height` in mm, turned by `degrees`.
    void Text(const char* layer, double x, double y, double height, double degrees, const std::string& text)
    {
        const double px = m_space.X(x);
        const double py = m_space.Y(y);
        // Middle-centred (72 = 1, 73 = 2): the alignment point decides where the text stands.
        m_dxf.writeText(m_out,
                        DL_TextData(px, py, 0.0, px, py, 0.0, height, 1.0, 0, 1, 2, DxfText(text), "Standard",
                                    degrees * 3.14159265358979323846 / 180.0),
                        Attributes(layer));
    }

    DL_Dxf& Dxf() { return m_dxf; }

private:
    static DL_Attributes Attributes(const char* layer)
    {
        return DL_Attributes(layer, 256, -1, "BYLAYER", 1.0);
    }

    MemoryDxfWriter& m_out;
    const DrawingSpace& m_space;
    DL_Dxf m_dxf;
};

// The tables and blocks every drawing starts with, in the order dxflib writes a DXF 2000 file.
void WriteHead(DL_Dxf& dxf, MemoryDxfWriter& out, const CGenban& board)
{
    dxf.writeHeader(out);
    out.dxfString(9, "$DWGCODEPAGE");
    out.dxfString(3, "ANSI_932");
    out.dxfString(9, "$INSUNITS");  // millimetres
    out.dxfInt(70, 4);
    out.dxfString(9, "$MEASUREMENT");  // metric
    out.dxfInt(70, 1);
    out.dxfString(9, "$EXTMIN");
    out.dxfReal(10, 0.0);
    out.dxfReal(20, 0.0);
    out.dxfString(9, "$EXTMAX");
    out.dxfReal(10, board.Width / 10.0);
    out.dxfReal(20, board.Height / 10.0);
    out.sectionEnd();

    out.sectionTables();
    dxf.writeVPort(out);
    out.tableLinetypes(3);
    dxf.writeLinetype(out, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf.writeLinetype(out, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf.writeLinetype(out, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    out.tableEnd();
    out.tableLayers(static_cast<int>(std::size(kLayers)));
    for (const Layer& layer : kLayers) {
        dxf.writeLayer(out, DL_LayerData(layer.Name, 0),
                       DL_Attributes("", layer.Color, 100, "CONTINUOUS", 1.0));
    }
    out.tableEnd();
    out.tableStyle(1);
    dxf.writeStyle(out, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
    out.tableEnd();
    dxf.writeView(out);
    dxf.writeUcs(out);
    out.tableAppid(1);
    dxf.writeAppid(out, "ACAD");
    out.tableEnd();
    dxf.writeDimStyle(out, 2.5, 0.625, 0.625, 0.625, 2.5);
    dxf.writeBlockRecord(out);
    out.tableEnd();
    out.sectionEnd();

    out.sectionBlocks();
    for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(out, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(out, block);
    }
    out.sectionEnd();
}

// A text height that lets `lines` lines of at most `chars` half-width characters fit into a
// box `along` wide and `across` high (mm), between 1 and 50 mm.
double FittingHeight(double along, double across, std::size_t chars, int lines)
{
    const double byWidth = along * 0.9 / std::max<double>(1.0, static_cast<double>(chars) * 0.8);
    const double byHeight = across * 0.8 / (lines * 1.6);
    return std::clamp(std::min(byWidth, byHeight), 1.0, 50.0);
}

void WritePieceTexts(PatternWriter& writer, const CutPiece& piece, const CBuzai& part)
{
    // The size as entered; a banded part's cut size under it.
    const std::int32_t entered = part.EnteredWidth();
    const std::int32_t enteredLength = part.EnteredHeight();
    std::vector<std::string> lines;
    if (!part.Name.empty()) {
        lines.push_back(part.Name);
    }
    lines.push_back(Format("%.1f × %.1f", entered / 10.0, enteredLength / 10.0));
    if (entered != part.Width || enteredLength != part.Height) {
        lines.push_back(Format("切断 %.1f × %.1f", part.Width / 10.0, part.Height / 10.0));
    }
    const double w = (piece.X1 - piece.X0) / 10.0;
    const double h = (piece.Y1 - piece.Y0) / 10.0;
    const bool upright = h > w;  // along the longer side
    std::size_t chars = 0;
    for (const std::string& line : lines) {
        const long width = Cp932Length(line);
        chars = std::max(chars, width < 0 ? line.size() : static_cast<std::size_t>(width));
    }
    const int count = static_cast<int>(lines.size());
    const double height = FittingHeight(upright ? h : w, upright ? w : h, chars, count);
    const double cx = (piece.X0 + piece.X1) / 2.0;
    const double cy = (piece.Y0 + piece.Y1) / 2.0;
    for (int i = 0; i < count; ++i) {
        // Lines 1.6 heights apart around the centre, the first on top as read.
        const double offset = (i - (count - 1) / 2.0) * height * 1.6 * 10.0;  // 0.1 mm
        const double x = upright ? cx + offset : cx;
        const double y = upright ? cy : cy + offset;
        writer.Text("PART_TEXT", x, y, height, upright ? 90.0 : 0.0, lines[static_cast<std::size_t>(i)]);
    }
}

}  // namespace

std::string PatternDxfName(std::size_t layout)
{
    return Format("pattern-%03zu.dxf", layout + 1);
}

bool IsPatternDxfName(const std::string& name)
{
    return IsNumberedName(name, "pattern-", ".dxf");
}

bool PatternDxf(const CutDataSource& source, std::size_t layoutIndex, std::string& bytes, std::string& error)
{
    try {
        const COutData& layout = CheckedAt(source.Ret.Layouts, static_cast<long long>(layoutIndex), "layout");
        const CGenban& board = CheckedAt(source.Boards.Items, layout.BoardNo, "board");
        const LayoutSawing& sawing = SawingOf(source.Ret, layoutIndex, source.Kerf, source.MinOffcut);
        if (!sawing.Planned) {
            error = Format("パターン%zu の切断手順を作成できません。", layoutIndex + 1);
            return false;
        }
        const std::vector<CutPiece> pieces =
            LayoutPieces(layout, source.Parts, source.Secondary, source.Kerf);

        MemoryDxfWriter out;
        const DrawingSpace space(board.Height);
        PatternWriter writer(out, space);
        WriteHead(writer.Dxf(), out, board);
        out.sectionEntities();
        writer.Rectangle("BOARD", 0, 0, board.Width, board.Height);
        const CalRect trimmed = TrimmedBoard(board);
        writer.Rectangle("TRIM", trimmed.X0, trimmed.Y0, trimmed.X1, trimmed.Y1);
        for (const CutPiece& piece : pieces) {
            writer.Rectangle("PART", piece.X0, piece.Y0, piece.X1, piece.Y1);
        }
        for (const CutPiece& piece : pieces) {
            const CBuzai& part =
                CheckedAt((piece.List == 1 ? source.Secondary : source.Parts).Items, piece.Number, "part");
            WritePieceTexts(writer, piece, part);
        }
        for (const CalRect& offcut : sawing.Offcuts) {
            writer.Rectangle("OFFCUT", offcut.X0, offcut.Y0, offcut.X1, offcut.Y1);
        }
        for (const SawCut& cut : sawing.Cuts) {
            // The middle of what the saw takes, as the drawings show the cut.
            const double middle = cut.Position + cut.Width / 2.0;
            if (cut.Axis == 0) {
                writer.Line("CUT", middle, cut.From, middle, cut.To);
            } else {
                writer.Line("CUT", cut.From, middle, cut.To, middle);
            }
        }
        out.sectionEnd();
        writer.Dxf().writeObjects(out);
        writer.Dxf().writeObjectsEnd(out);
        out.dxfEOF();
        bytes = out.Bytes();
        return true;
    } catch (const CalcError& fault) {
        error = Format("パターン%zu: %s", layoutIndex + 1, fault.what());
        return false;
    }
}

bool PatternDxfFiles(const CutDataSource& source, const std::function<bool()>& stopped,
                     std::vector<NamedBytes>& files, std::string& error)
{
    files.clear();
    for (std::size_t i = 0; i < source.Ret.Layouts.size(); ++i) {
        if (stopped && stopped()) {
            return false;
        }
        NamedBytes file{PatternDxfName(i), {}};
        if (!PatternDxf(source, i, file.Bytes, error)) {
            return false;
        }
        files.push_back(std::move(file));
    }
    return true;
}

namespace {

std::vector<std::string> PatternDxfsInFolder(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* entries = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(entries)) {
            if (IsPatternDxfName(entry->d_name)) {
                names.emplace_back(entry->d_name);
            }
        }
        ::closedir(entries);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

int WritePatternDxfFiles(const std::string& folder, const CutDataSource& source, Prompt& prompt)
{
    std::vector<NamedBytes> files;
    std::string error;
    if (!PatternDxfFiles(source, {}, files, error)) {
        prompt.ShowError("DXF ファイルを作成できませんでした。\n" + error);
        return 0;
    }
    const std::vector<std::string> existing = PatternDxfsInFolder(folder);
    if (!existing.empty() &&
        !prompt.AskYesNo(Format("%s には DXF ファイル（%s など %zu 個）があります。\n"
                                "このパターンの DXF ファイルに置き換えますか？",
                                folder.c_str(), existing.front().c_str(), existing.size()))) {
        return 0;
    }
    StagedWrites writes;
    for (NamedBytes& file : files) {
        const std::string path = folder + "/" + file.Name;
        const WriteResult staged = writes.Stage(path, std::move(file.Bytes));
        if (!staged.Ok()) {
            prompt.ShowError("DXF ファイル（" + path + "）" + WriteErrorText(staged));
            return 0;
        }
    }
    for (const std::string& name : existing) {
        if (std::none_of(files.begin(), files.end(), [&](const NamedBytes& f) { return f.Name == name; })) {
            writes.RemoveAtCommit(folder + "/" + name);
        }
    }
    std::string failed;
    const WriteResult committed = writes.Commit(&failed);
    if (!committed.Ok()) {
        prompt.ShowError("DXF ファイル（" + failed + "）" + WriteErrorText(committed));
        return 0;
    }
    return 1;
}
