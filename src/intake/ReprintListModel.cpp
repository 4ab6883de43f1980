#include "intake/ReprintListModel.h"

#include "desk/ProcessState.h"
#include "platform/DecimalText.h"

#include <algorithm>

namespace {

QStringList TextsOf(const ReprintRow &row)
{
    return {row.id, row.name, row.path, row.quantity};
}

ReprintRow RowOf(const QStringList &texts)
{
    return {texts.value(0), texts.value(1), texts.value(2), texts.value(3)};
}

} // namespace

ReprintListModel::ReprintListModel(QObject *parent)
    : SharedListModel(Headers(), parent)
{
}

ReprintListModel::~ReprintListModel()
{
    CutLifeline();
}

QStringList ReprintListModel::Headers()
{
    return {QStringLiteral("补打信息: ID"), QStringLiteral("名称"), QStringLiteral("路径"), QStringLiteral("数量")};
}

std::vector<ReprintRow> ReprintListModel::Rows() const
{
    std::vector<ReprintRow> rows;
    for (const auto &[key, texts] : KeyedTexts())
        rows.push_back(RowOf(texts));
    return rows;
}

std::optional<ReprintRow> ReprintListModel::Row(int row) const
{
    if (const auto keyed = KeyedTextsAt(row))
        return RowOf(keyed->second);
    return std::nullopt;
}

std::optional<std::pair<ReprintListModel::Key, ReprintRow>> ReprintListModel::KeyedRow(int row) const
{
    if (const auto keyed = KeyedTextsAt(row))
        return std::pair{keyed->first, RowOf(keyed->second)};
    return std::nullopt;
}

ReprintListModel::Key ReprintListModel::InsertRow(int row, const ReprintRow &texts)
{
    return InsertTexts(row, TextsOf(texts));
}

void ReprintListModel::RowsChangedLocked()
{
    int total = 0;
    for (int row = 0; row < RowCountLocked(); ++row)
        total += std::max(0, DecimalValue(TextsLocked(row).value(QuantityColumn)));
    ReprintTotalCount = total;
    ReprintFileCount = RowCountLocked();
}
