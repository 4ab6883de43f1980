#include "faces/HaarCascade.h"

#include <opencv2/core.hpp>

#include <string>

namespace {

// The training tool's own margin: a stage's sum exactly at its threshold
// written with a few digits still passes.
constexpr float StageThresholdMargin = 1e-5f;

bool ReadTree(const cv::FileNode &tree, HaarCascade &cascade)
{
    const cv::FileNode branches = tree["internalNodes"];
    const cv::FileNode leaves = tree["leafValues"];
    if (!branches.isSeq() || !leaves.isSeq() || branches.size() == 0 || branches.size() % 4 != 0)
        return false;
    HaarCascade::Tree read;
    read.firstNode = static_cast<int>(cascade.nodes.size());
    read.nodeCount = static_cast<int>(branches.size() / 4);
    read.firstLeaf = static_cast<int>(cascade.leaves.size());
    if (static_cast<int>(leaves.size()) != read.nodeCount + 1)
        return false;
    for (cv::FileNodeIterator value = branches.begin(); value != branches.end();) {
        HaarCascade::Node node;
        node.left = static_cast<int>(*value++);
        node.right = static_cast<int>(*value++);
        node.feature = static_cast<int>(*value++);
        node.threshold = static_cast<float>(*value++);
        cascade.nodes.push_back(node);
    }
    for (const cv::FileNode &leaf : leaves)
        cascade.leaves.push_back(static_cast<float>(leaf));
    cascade.trees.push_back(read);
    return true;
}

bool ReadStages(const cv::FileNode &stages, HaarCascade &cascade)
{
    if (!stages.isSeq() || stages.size() == 0)
        return false;
    for (const cv::FileNode &stage : stages) {
        const cv::FileNode trees = stage["weakClassifiers"];
        if (!trees.isSeq() || trees.size() == 0)
            return false;
        HaarCascade::Stage read;
        read.threshold = static_cast<float>(stage["stageThreshold"]) - StageThresholdMargin;
        read.firstTree = static_cast<int>(cascade.trees.size());
        read.treeCount = static_cast<int>(trees.size());
        for (const cv::FileNode &tree : trees) {
            if (!ReadTree(tree, cascade))
                return false;
        }
        cascade.stages.push_back(read);
    }
    return true;
}

bool ReadFeatures(const cv::FileNode &features, HaarCascade &cascade)
{
    if (!features.isSeq() || features.size() == 0)
        return false;
    for (const cv::FileNode &feature : features) {
        if (static_cast<int>(feature["tilted"]) != 0)
            return false;
        const cv::FileNode rectangles = feature["rects"];
        if (!rectangles.isSeq() || rectangles.size() < 2 || rectangles.size() > 3)
            return false;
        HaarCascade::Feature read;
        int index = 0;
        for (const cv::FileNode &rectangle : rectangles) {
            if (rectangle.size() != 5)
                return false;
            cv::FileNodeIterator value = rectangle.begin();
            HaarCascade::Rectangle &into = read.rectangles[index++];
            into.x = static_cast<int>(*value++);
            into.y = static_cast<int>(*value++);
            into.width = static_cast<int>(*value++);
            into.height = static_cast<int>(*value++);
            into.weight = static_cast<float>(*value++);
        }
        cascade.features.push_back(read);
    }
    return true;
}

bool InsideWindow(const HaarCascade::Rectangle &rectangle, const HaarCascade &cascade)
{
    return rectangle.x >= 0 && rectangle.y >= 0 && rectangle.width >= 0 && rectangle.height >= 0
        && rectangle.x + rectangle.width <= cascade.windowWidth
        && rectangle.y + rectangle.height <= cascade.windowHeight;
}

// Every reference in range, and a tree's branches lead only forwards, so
// that its nodes can be taken in order.
bool Consistent(const HaarCascade &cascade)
{
    if (cascade.windowWidth < 3 || cascade.windowHeight < 3)
        return false;
    for (const HaarCascade::Feature &feature : cascade.features) {
        for (const HaarCascade::Rectangle &rectangle : feature.rectangles) {
            if (!InsideWindow(rectangle, cascade))
                return false;
        }
    }
    for (const HaarCascade::Tree &tree : cascade.trees) {
        for (int index = 0; index < tree.nodeCount; ++index) {
            const HaarCascade::Node &node = cascade.nodes[static_cast<size_t>(tree.firstNode + index)];
            if (node.feature < 0 || node.feature >= static_cast<int>(cascade.features.size()))
                return false;
            for (const int branch : {node.left, node.right}) {
                if (branch > 0 ? (branch <= index || branch >= tree.nodeCount) : -branch > tree.nodeCount)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

std::optional<HaarCascade> HaarCascade::Read(const std::filesystem::path &file)
{
    try {
        const cv::FileStorage storage(file.string(), cv::FileStorage::READ);
        if (!storage.isOpened())
            return std::nullopt;
        const cv::FileNode root = storage.getFirstTopLevelNode();
        if (static_cast<std::string>(root["stageType"]) != "BOOST"
            || static_cast<std::string>(root["featureType"]) != "HAAR"
            || static_cast<int>(root["featureParams"]["maxCatCount"]) != 0)
            return std::nullopt;
        HaarCascade cascade;
        cascade.windowWidth = static_cast<int>(root["width"]);
        cascade.windowHeight = static_cast<int>(root["height"]);
        if (!ReadStages(root["stages"], cascade) || !ReadFeatures(root["features"], cascade) || !Consistent(cascade))
            return std::nullopt;
        return cascade;
    } catch (const cv::Exception &) {
        return std::nullopt;
    }
}
