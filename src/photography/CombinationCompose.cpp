#include "photography/CombinationCompose.h"

#include "desk/RunLog.h"
#include "compose/GridComposition.h"
#include "compose/ImageFiles.h"
#include "photography/CombinationSettings.h"

#include <algorithm>
#include <filesystem>

namespace {

// The photography page's name of the template for `cells` shots.
QString TemplateLabel(int cells)
{
    static const char *const labels[] = {"一宫格", "二宫格", "三宫格", "四宫格"};
    return QString::fromUtf8(labels[cells - 1]);
}

} // namespace

CombinationComposition ComposeCombination(const std::vector<QString> &shots, int mode, int quality)
{
    CombinationComposition result;
    const int count = static_cast<int>(shots.size());
    const int cells = count >= 2 && count <= 4 ? count : 1;
    const QString templatePath = ReadCombinationTemplate(cells);
    const bool doubled = !templatePath.isEmpty() && mode == kCombinationVerticalDouble && (cells == 2 || cells == 3);
    for (const QString &shot : shots) {
        result.shots.push_back(shot);
        if (doubled)
            result.shots.push_back(shot);
    }
    if (templatePath.isEmpty()) {
        result.problem = QStringLiteral("没有%1相框模板，请在“互动拍照”页面为%1选择相框模板。").arg(TemplateLabel(cells));
        return result;
    }
    std::optional<GridTemplate> grid =
        GridTemplate::Analyse(LoadFrameTemplate(templatePath.toStdU16String()), static_cast<int>(result.shots.size()));
    if (!grid) {
        result.problem =
            QStringLiteral("%1相框模板不能用于%2张照片，请在“互动拍照”页面重新选择%1相框模板。")
                .arg(TemplateLabel(cells))
                .arg(result.shots.size());
        WriteRunLog(QStringLiteral("组合模板无法分析:") + templatePath);
        return result;
    }
    std::vector<std::filesystem::path> paths;
    for (const QString &shot : result.shots)
        paths.push_back(shot.toStdU16String());
    result.composed = ComposeGrid(std::move(*grid), paths, quality);
    if (!result.composed)
        result.problem = QStringLiteral("组合照片无法保存。");
    return result;
}
