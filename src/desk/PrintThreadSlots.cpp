#include "desk/PrintThreadSlots.h"

#include "desk/PrinterTable.h"
#include "desk/RunLog.h"

#include <new>

namespace {

// Leaves a table absent when memory runs out.
template <typename Slot>
void MakeTable(std::unique_ptr<std::vector<Slot>> &table, size_t slotCount)
{
    table.reset();
    try {
        table = std::make_unique<std::vector<Slot>>(slotCount);
    } catch (const std::bad_alloc &) {
        table.reset();
    }
}

void MakeTables(size_t slotCount)
{
    MakeTable(PrintThreadHandles, slotCount);
    MakeTable(PrintThreadIds, slotCount);
}

bool TablesFit(size_t slotCount)
{
    return PrintThreadHandles && PrintThreadIds && PrintThreadHandles->size() == slotCount
        && PrintThreadIds->size() == slotCount;
}

} // namespace

void BuildThreadTables()
{
    PrintThreadSlotCount = static_cast<int>(PrinterTable.size());
    MakeTables(PrinterTable.size());
}

void CheckThreadTables()
{
    const size_t slotCount = PrinterTable.size();
    PrintThreadSlotCount = static_cast<int>(slotCount);
    if (!TablesFit(slotCount)) {
        WriteRunLog(QStringLiteral("数据异常"));
        MakeTables(slotCount);
    }
    if (!PrintThreadHandles || !PrintThreadIds) {
        WriteRunLog(QStringLiteral("检查多线程变量是否发生异常或被回收"));
        MakeTables(slotCount);
    }
}
