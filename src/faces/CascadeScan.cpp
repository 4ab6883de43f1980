#include "faces/CascadeScan.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

// Eight windows side by side make one vector of the processor (where it has
// no 256-bit registers, the compiler splits each vector in two).
constexpr int Lanes = 8;
using Ints = int __attribute__((vector_size(Lanes * sizeof(int))));
using Floats = float __attribute__((vector_size(Lanes * sizeof(float))));
using HalfInts = int __attribute__((vector_size(Lanes / 2 * sizeof(int))));
using Doubles = double __attribute__((vector_size(Lanes / 2 * sizeof(double))));
using Longs = long long __attribute__((vector_size(Lanes / 2 * sizeof(long long))));

// A window is searched only when the spread of its grey values (standard
// deviation, over the window less a one-pixel border) reaches 10: the
// cascade's features are divided by it, and a flatter window holds no face.
constexpr double FlatLimit = 0.1;
// Windows below this scale are searched every second pixel, larger ones at
// every pixel.
constexpr float EverySecondPixelBelow = 2.0f;

// Where each window of the row being scanned stands.
enum class Window : signed char {
    Flat,       // not searched
    Searched,   // to be tried with the first stage
    FirstStage, // passed the first stage
};

// The sums of one scale's picture (integral images of the pixels and of
// their squares), their columns regrouped by phase: with `step` 2 a row holds
// the even columns, then the odd ones. The windows of a row, `step` pixels
// apart, then read neighbouring ints, so eight windows' corners are one load.
class Integrals
{
public:
    void Build(const cv::Mat &picture, int step)
    {
        m_step = step;
        const int columns = picture.cols + 1;
        m_half = (columns + step - 1) / step;
        m_rowStride = m_half * step;
        const size_t size = static_cast<size_t>(m_rowStride) * (picture.rows + 1) + Padding;
        if (step == 1) {
            // The integral images are written straight into the buffers.
            m_sums.resize(size);
            m_squares.resize(size);
            cv::Mat sums(picture.rows + 1, columns, CV_32S, m_sums.data(), m_rowStride * sizeof(int));
            cv::Mat squares(picture.rows + 1, columns, CV_32S, m_squares.data(), m_rowStride * sizeof(int));
            cv::integral(picture, sums, squares, CV_32S, CV_32S);
            return;
        }
        cv::integral(picture, m_sumScratch, m_squareScratch, CV_32S, CV_32S);
        Regroup(m_sumScratch, m_sums, size);
        Regroup(m_squareScratch, m_squares, size);
    }

    // Where the column `dx` and row `dy` to the right of and below a window's
    // corner lie, counted from that corner in these buffers.
    int Offset(int dx, int dy) const { return dy * m_rowStride + (dx % m_step) * m_half + dx / m_step; }
    const int *Sums(int row) const { return m_sums.data() + static_cast<size_t>(row) * m_rowStride; }
    const int *Squares(int row) const { return m_squares.data() + static_cast<size_t>(row) * m_rowStride; }

private:
    // Room for the loads of windows past a row's end, whose results are not used.
    static constexpr size_t Padding = 4 * Lanes;

    void Regroup(const cv::Mat &integral, std::vector<int> &into, size_t size) const
    {
        into.resize(size);
        for (int row = 0; row < integral.rows; ++row) {
            const int *from = integral.ptr<int>(row);
            int *to = into.data() + static_cast<size_t>(row) * m_rowStride;
            for (int column = 0; column < integral.cols; ++column)
                to[(column % m_step) * m_half + column / m_step] = from[column];
        }
    }

    int m_step = 1, m_half = 0, m_rowStride = 0;
    std::vector<int> m_sums, m_squares;
    cv::Mat m_sumScratch, m_squareScratch;
};

// A feature's rectangles as offsets of their corners from a window's corner.
struct PlacedFeature
{
    std::array<std::array<int, 4>, 3> corners{};
    std::array<float, 3> weights{};
};

std::vector<PlacedFeature> Place(const HaarCascade &cascade, const Integrals &integrals)
{
    std::vector<PlacedFeature> placed(cascade.features.size());
    for (size_t index = 0; index < placed.size(); ++index) {
        for (int part = 0; part < 3; ++part) {
            const HaarCascade::Rectangle &r = cascade.features[index].rectangles[part];
            if (r.weight == 0.0f)
                continue;
            placed[index].corners[part] = {integrals.Offset(r.x, r.y), integrals.Offset(r.x + r.width, r.y),
                                           integrals.Offset(r.x, r.y + r.height),
                                           integrals.Offset(r.x + r.width, r.y + r.height)};
            placed[index].weights[part] = r.weight;
        }
    }
    return placed;
}

// The sizes OpenCV searches: window sizes from 1 upwards in steps, from the
// smallest wanted up to the picture.
std::vector<float> Scales(const HaarCascade &cascade, cv::Size picture, double scaleStep, int smallest)
{
    std::vector<float> scales;
    for (double factor = 1;; factor *= scaleStep) {
        const cv::Size window(cvRound(cascade.windowWidth * factor), cvRound(cascade.windowHeight * factor));
        if (window.width > picture.width || window.height > picture.height)
            break;
        if (window.width >= smallest && window.height >= smallest)
            scales.push_back(static_cast<float>(factor));
    }
    return scales;
}

[[gnu::always_inline]] inline Ints Load(const int *at)
{
    Ints values;
    std::memcpy(&values, at, sizeof values);
    return values;
}

[[gnu::always_inline]] inline bool AnyOf(Ints mask)
{
    std::array<long long, Lanes / 2> halves;
    std::memcpy(halves.data(), &mask, sizeof mask);
    return (halves[0] | halves[1] | halves[2] | halves[3]) != 0;
}

[[gnu::always_inline]] inline Floats RectangleSums(const int *window, const std::array<int, 4> &corners)
{
    const Ints sums = Load(window + corners[0]) - Load(window + corners[1]) - Load(window + corners[2])
        + Load(window + corners[3]);
    return __builtin_convertvector(sums, Floats);
}

// In OpenCV's order of operations, so that the results are the same to the bit.
[[gnu::always_inline]] inline Floats FeatureValues(const int *window, const PlacedFeature &feature)
{
    Floats values = feature.weights[0] * RectangleSums(window, feature.corners[0])
        + feature.weights[1] * RectangleSums(window, feature.corners[1]);
    if (feature.weights[2] != 0.0f)
        values += feature.weights[2] * RectangleSums(window, feature.corners[2]);
    return values;
}

// The leaves each window's tree ends in. Every node is evaluated for all
// eight windows, and each keeps its own way: asking first whether any window
// needs a node costs more than the node.
[[gnu::always_inline]] inline Floats TreeLeaves(const HaarCascade &cascade, const HaarCascade::Tree &tree,
                                                const std::vector<PlacedFeature> &placed, const int *window,
                                                Floats factors)
{
    Ints at = {};
    for (int index = 0; index < tree.nodeCount; ++index) {
        const Ints here = at == index;
        const HaarCascade::Node &node = cascade.nodes[static_cast<size_t>(tree.firstNode + index)];
        const Floats values = FeatureValues(window, placed[static_cast<size_t>(node.feature)]) * factors;
        const Ints next = values < node.threshold ? Ints{} + node.left : Ints{} + node.right;
        at = here ? next : at;
    }
    const float *leaves = cascade.leaves.data() + tree.firstLeaf;
    Floats leaf = Floats{} + leaves[0];
    for (int index = 1; index <= tree.nodeCount; ++index)
        leaf = at == -index ? Floats{} + leaves[index] : leaf;
    return leaf;
}

// The windows of `live` that pass the stages from `first` on; the stage sums
// in double, as OpenCV adds them.
[[gnu::always_inline]] inline Ints PassStages(const HaarCascade &cascade, const std::vector<PlacedFeature> &placed,
                                              const int *window, Floats factors, Ints live, size_t first,
                                              size_t last)
{
    for (size_t index = first; index < last && AnyOf(live); ++index) {
        const HaarCascade::Stage &stage = cascade.stages[index];
        Doubles low = {}, high = {};
        for (int tree = 0; tree < stage.treeCount; ++tree) {
            const Floats leaf =
                TreeLeaves(cascade, cascade.trees[static_cast<size_t>(stage.firstTree + tree)], placed, window, factors);
            low += __builtin_convertvector(__builtin_shufflevector(leaf, leaf, 0, 1, 2, 3), Doubles);
            high += __builtin_convertvector(__builtin_shufflevector(leaf, leaf, 4, 5, 6, 7), Doubles);
        }
        const Longs passLow = low >= static_cast<double>(stage.threshold);
        const Longs passHigh = high >= static_cast<double>(stage.threshold);
        live &= __builtin_shufflevector(__builtin_convertvector(passLow, HalfInts),
                                        __builtin_convertvector(passHigh, HalfInts), 0, 1, 2, 3, 4, 5, 6, 7);
    }
    return live;
}

// One scale: its picture's sums, the features placed on them, and the state
// of one row's windows.
struct ScaleScan
{
    explicit ScaleScan(const HaarCascade &scanned)
        : cascade(scanned)
    {
    }

    const HaarCascade &cascade;
    Integrals integrals;
    std::vector<PlacedFeature> placed;
    std::array<int, 4> contrastCorners{};
    int step = 1;
    int columns = 0; // windows per row
    float scale = 1;
    cv::Size window;
    std::vector<float> factors; // per window: 1 / (area * spread)
    std::vector<Window> states;
};

// Each window's contrast factor, and which are flat.
[[gnu::always_inline]] inline void Measure(ScaleScan &scan, int row)
{
    const double area = (scan.cascade.windowWidth - 2) * (scan.cascade.windowHeight - 2);
    const int *sums = scan.integrals.Sums(row);
    const int *squares = scan.integrals.Squares(row);
    const std::array<int, 4> &c = scan.contrastCorners;
    for (int index = 0; index < scan.columns; ++index) {
        const int *s = sums + index;
        const int *q = squares + index;
        const int sum = s[c[0]] - s[c[1]] - s[c[2]] + s[c[3]];
        // The squared sums wrap around 32 bits as OpenCV's do; unsigned
        // arithmetic wraps the same way without overflowing a signed int.
        const unsigned squareSum = static_cast<unsigned>(q[c[0]]) - static_cast<unsigned>(q[c[1]])
            - static_cast<unsigned>(q[c[2]]) + static_cast<unsigned>(q[c[3]]);
        const double spread = area * squareSum - static_cast<double>(sum) * sum;
        float factor = 1.0f;
        bool flat = true;
        if (spread > 0.0) {
            factor = static_cast<float>(1.0 / std::sqrt(spread));
            flat = !(area * factor < FlatLimit);
        }
        scan.factors[static_cast<size_t>(index)] = factor;
        scan.states[static_cast<size_t>(index)] = flat ? Window::Flat : Window::Searched;
    }
}

[[gnu::always_inline]] inline Floats FactorsAt(const ScaleScan &scan, int index)
{
    Floats factors;
    std::memcpy(&factors, scan.factors.data() + index, sizeof factors);
    return factors;
}

template <typename Test>
[[gnu::always_inline]] inline Ints LanesWhere(const ScaleScan &scan, int index, Test test)
{
    Ints lanes;
    for (int lane = 0; lane < Lanes; ++lane)
        lanes[lane] = test(scan.states[static_cast<size_t>(index + lane)]) ? -1 : 0;
    return lanes;
}

// One row of windows, as OpenCV scans it: left to right, and a window that
// fails the first stage makes the scan skip the next one. All windows take
// the first stage together, then the skips are applied, then those left
// take the other stages.
[[gnu::always_inline]] inline void ScanRow(ScaleScan &scan, int row, std::vector<cv::Rect> &found)
{
    Measure(scan, row);
    const int *sums = scan.integrals.Sums(row);
    for (int index = 0; index < scan.columns; index += Lanes) {
        const Ints live = LanesWhere(scan, index, [](Window state) { return state == Window::Searched; });
        if (!AnyOf(live))
            continue;
        const Ints passed = PassStages(scan.cascade, scan.placed, sums + index, FactorsAt(scan, index), live, 0, 1);
        for (int lane = 0; lane < Lanes; ++lane) {
            if (passed[lane])
                scan.states[static_cast<size_t>(index + lane)] = Window::FirstStage;
        }
    }
    for (int index = 0; index < scan.columns;) {
        Window &state = scan.states[static_cast<size_t>(index)];
        const bool skipNext = state == Window::Searched;
        if (state != Window::FirstStage)
            state = Window::Flat;
        index += skipNext ? 2 : 1;
        if (skipNext && index - 1 < scan.columns)
            scan.states[static_cast<size_t>(index - 1)] = Window::Flat;
    }
    const size_t stages = scan.cascade.stages.size();
    for (int index = 0; index < scan.columns; index += Lanes) {
        const Ints live = LanesWhere(scan, index, [](Window state) { return state == Window::FirstStage; });
        if (!AnyOf(live))
            continue;
        const Ints faces = PassStages(scan.cascade, scan.placed, sums + index, FactorsAt(scan, index), live, 1, stages);
        for (int lane = 0; lane < Lanes; ++lane) {
            if (faces[lane]) {
                const int x = (index + lane) * scan.step;
                found.emplace_back(cvRound(x * scan.scale), cvRound(row * scan.scale), scan.window.width,
                                   scan.window.height);
            }
        }
    }
}

// The row scan compiled twice, for processors with AVX2 and for all, and
// chosen at run time. (Not as clones the loader chooses between: its
// chooser would run before a sanitiser's start-up, and crash it.)
__attribute__((target("avx2"))) void ScanRowWide(ScaleScan &scan, int row, std::vector<cv::Rect> &found)
{
    ScanRow(scan, row, found);
}

void ScanRowNarrow(ScaleScan &scan, int row, std::vector<cv::Rect> &found)
{
    ScanRow(scan, row, found);
}

} // namespace

std::vector<cv::Rect> ScanCascade(const HaarCascade &cascade, const cv::Mat &grey, double scaleStep, int smallest)
{
    std::vector<cv::Rect> found;
    if (grey.empty() || grey.type() != CV_8UC1 || !(scaleStep > 1.0) || cascade.stages.empty())
        return found;
    const auto scanRow = VectorScanPays() ? ScanRowWide : ScanRowNarrow;
    ScaleScan scan(cascade);
    cv::Mat picture;
    for (const float scale : Scales(cascade, grey.size(), scaleStep, smallest)) {
        const cv::Size size(cvRound(grey.cols / scale), cvRound(grey.rows / scale));
        // The same resampling OpenCV's scan uses, to the bit.
        cv::resize(grey, picture, size, 1.0 / scale, 1.0 / scale, cv::INTER_LINEAR_EXACT);
        scan.step = scale < EverySecondPixelBelow ? 2 : 1;
        scan.integrals.Build(picture, scan.step);
        scan.placed = Place(cascade, scan.integrals);
        const Integrals &integrals = scan.integrals;
        const int w = cascade.windowWidth, h = cascade.windowHeight;
        scan.contrastCorners = {integrals.Offset(1, 1), integrals.Offset(w - 1, 1), integrals.Offset(1, h - 1),
                                integrals.Offset(w - 1, h - 1)};
        const int width = std::max(size.width + 1 - w, 0);
        const int height = std::max(size.height + 1 - h, 0);
        scan.columns = (width + scan.step - 1) / scan.step;
        scan.scale = scale;
        scan.window = cv::Size(cvRound(w * scale), cvRound(h * scale));
        const size_t padded = static_cast<size_t>((scan.columns + Lanes - 1) / Lanes * Lanes);
        scan.factors.assign(padded, 0.0f);
        scan.states.assign(padded, Window::Flat);
        for (int row = 0; row < height; row += scan.step)
            scanRow(scan, row, found);
    }
    return found;
}

bool VectorScanPays()
{
    return __builtin_cpu_supports("avx2");
}
