#include "compose/TemplateCells.h"

#include <QString>

#include <algorithm>

int TemplateCell::Left() const
{
    return std::min(farLeft, firstLeft);
}

int TemplateCell::Right() const
{
    return std::max(farRight, firstRight);
}

namespace {

// A transparent stretch longer than this closes with a measured right edge;
// an opaque stretch longer than this separates windows (or bands, in rows).
constexpr int LongStretch = 20;

bool IsSet(int value)
{
    return value >= 0;
}

// The row scan as a state machine fed one pixel at a time, so that the
// order of its rules stays visible.
class CellScanner final
{
public:
    explicit CellScanner(int expectedCells)
        : m_last(expectedCells - 1), m_cells(static_cast<size_t>(expectedCells))
    {
    }

    void StartRow()
    {
        const int candidate = m_rightOpen ? m_bandColumns : m_lastCell - 1;
        m_cell = std::max(m_bandFirst, 0);
        m_bandColumns = std::max(m_gapRuns, candidate);
        m_gapRuns = 0;
        m_rightOpen = true;
        m_runLen = 0;
        m_opaqueLen = 0;
        m_inRun = false;
        m_prevTransparent = false;
        m_rowHasTransparent = false;
        m_lastCell = m_cell;
    }

    void Transparent(int x, int y)
    {
        m_rowHasTransparent = true;
        if (m_opaqueLen > LongStretch) {
            ++m_gapRuns;
            if (m_gapRuns > 1 && Cell().firstRight > 0) {
                m_cell = std::min(m_cell + 1, m_last);
                m_lastCell = m_cell;
            }
        }
        if (m_prevRowOpaque && m_opaqueRows > LongStretch && IsSet(Cell().top) && IsSet(Cell().bottom))
            EnterNextBand();

        TemplateCell &cell = Cell();
        if (m_prevTransparent) {
            m_inRun = true;
            ++m_runLen;
        } else {
            if (!IsSet(cell.firstLeft))
                cell.firstLeft = cell.farLeft = x;
            else if (cell.farLeft > 0 && x < cell.farLeft)
                cell.farLeft = x;
            if (!IsSet(cell.top))
                cell.top = cell.topCopy = y;
        }
        m_prevTransparent = true;
        m_opaqueLen = 0;
        m_prevRowOpaque = false;
    }

    void Opaque(int x, int y)
    {
        TemplateCell &cell = Cell();
        if (m_inRun) {
            if (m_runLen > LongStretch && !IsSet(cell.firstRight)) {
                cell.firstRight = x - 1;
                cell.farRight = x;
            }
            if (IsSet(cell.firstLeft)) {
                if (IsSet(cell.firstRight))
                    m_rightOpen = false;
                if (cell.farRight > 0 && x > cell.farRight)
                    cell.farRight = x;
            }
        }
        if (m_prevTransparent) {
            cell.bottom = cell.bottomCopy = y;
            m_inRun = false;
        } else {
            ++m_opaqueLen;
        }
        m_prevTransparent = false;
        m_runLen = 0;
    }

    void EndRow()
    {
        if (m_rowHasTransparent) {
            m_prevRowOpaque = false;
            m_opaqueRows = 0;
        } else {
            m_prevRowOpaque = true;
            ++m_opaqueRows;
        }
    }

    TemplateCellList Cells() const { return m_cells; }

private:
    TemplateCell &Cell() { return m_cells[static_cast<size_t>(m_cell)]; }

    void EnterNextBand()
    {
        const int cellCount = m_last + 1;
        int next = m_cell + 1;
        if (m_bandColumns > 1 && m_bandColumns <= cellCount) {
            if (cellCount > 3) {
                next = m_bandBase + m_bandColumns;
                m_bandBase += m_bandColumns;
            } else {
                next = m_bandColumns;
            }
            m_bandColumns = 0;
        }
        m_cell = std::min(next, m_last);
        m_bandFirst = m_cell;
    }

    const int m_last;
    TemplateCellList m_cells;
    int m_cell = 0;
    int m_bandFirst = 0;
    int m_bandColumns = 0;
    int m_bandBase = 0;
    int m_lastCell = 0;
    bool m_rightOpen = true;
    int m_gapRuns = 0;
    int m_opaqueRows = 0;
    bool m_prevRowOpaque = false;
    bool m_prevTransparent = false;
    bool m_inRun = false;
    int m_runLen = 0;
    int m_opaqueLen = 0;
    bool m_rowHasTransparent = false;
};

bool HasPosition(const TemplateCell &cell)
{
    return (IsSet(cell.firstLeft) || IsSet(cell.firstRight)) && (IsSet(cell.top) || IsSet(cell.bottom));
}

} // namespace

bool FindTemplateCells(const QImage &frameTemplate, int expectedCells, TemplateCellList &cells)
{
    cells.clear();
    if (expectedCells < 1)
        return false;
    // Read as 32-bit ARGB: an image without alpha comes out fully opaque.
    const QImage pixels = frameTemplate.format() == QImage::Format_ARGB32 || frameTemplate.isNull()
        ? frameTemplate
        : frameTemplate.convertToFormat(QImage::Format_ARGB32);
    CellScanner scanner(expectedCells);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
        scanner.StartRow();
        for (int x = 0; x < pixels.width(); ++x) {
            if (row[x] <= 0x00FFFFFFu)
                scanner.Transparent(x, y);
            else
                scanner.Opaque(x, y);
        }
        scanner.EndRow();
    }
    cells = scanner.Cells();
    return std::all_of(cells.begin(), cells.end(), HasPosition);
}

bool FindTemplateCells(const std::filesystem::path &templatePath, int expectedCells, TemplateCellList &cells)
{
    return FindTemplateCells(QImage(QString::fromStdString(templatePath.string())), expectedCells, cells);
}
