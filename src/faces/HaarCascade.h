#pragma once

#include <filesystem>
#include <optional>
#include <vector>

// A boosted cascade of Haar-like features in the file format OpenCV's
// training tool writes ("opencv-cascade-classifier", ordered decision trees,
// upright features): stages of trees, each tree a few comparisons of one
// feature's value against a threshold, ending in a leaf value. A window
// passes a stage when the leaves of its trees add up to the stage's
// threshold, and is taken for a face when it passes every stage.
struct HaarCascade
{
    // A feature is the weighted sum of two or three rectangles' pixel sums,
    // in window pixels. The third weight is 0 when there are two.
    struct Rectangle
    {
        int x = 0, y = 0, width = 0, height = 0;
        float weight = 0;
    };
    struct Feature
    {
        Rectangle rectangles[3];
    };
    // Goes left when the feature's value, divided by the window's contrast,
    // is below the threshold. A branch above 0 is a node of the same tree;
    // 0 or below is a leaf, counted from the tree's first leaf as -branch.
    struct Node
    {
        int left = 0, right = 0, feature = 0;
        float threshold = 0;
    };
    struct Tree
    {
        int firstNode = 0, nodeCount = 0, firstLeaf = 0;
    };
    struct Stage
    {
        float threshold = 0;
        int firstTree = 0, treeCount = 0;
    };

    int windowWidth = 0, windowHeight = 0;
    std::vector<Stage> stages;
    std::vector<Tree> trees;
    std::vector<Node> nodes;
    std::vector<float> leaves;
    std::vector<Feature> features;

    // Nothing when the file cannot be read or holds another kind of cascade
    // (local binary patterns, tilted features, categorical trees), or a
    // reference that leads outside it.
    static std::optional<HaarCascade> Read(const std::filesystem::path &file);
};
