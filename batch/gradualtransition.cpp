#include "gradualtransition.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The longest stretch looked back on: a transition and the still ends
// around it.
constexpr qint64 WindowMs = 3000;
// Where the mix counts as the old and as the new picture.
constexpr double Low = 0.1;
constexpr double High = 0.9;
// Motion moves a picture's mix value a little back and forth.
constexpr double Slack = 0.15;
// A cut has no mixed pictures; a blended frame or two at a cut is no
// dissolve either.
constexpr int LeastMixed = 3;
// The mean distance (0-100) of the mixed pictures from the mix of the ends:
// motion leaves a little, a pan, a zoom or busy motion far more.
constexpr double MixResidual = 5.5;
// The most the old and the new shot may move while they hold, against
// the whole change.
constexpr double Stillness = 0.25;
// A picture of one colour, the middle of a fade through black or white.
constexpr double FlatSpread = 4.0;

double difference(const std::vector<float> &a, const std::vector<float> &b)
{
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(a[i] - b[i]);
    return sum / double(a.size()) / 255.0 * 100.0;
}

} // namespace

GradualTransition::GradualTransition(double threshold)
    : m_threshold(threshold)
{
}

bool GradualTransition::feed(qint64 ms, const QImage &signature)
{
    if (signature.format() != QImage::Format_Grayscale8 || signature.isNull())
        return false;
    Picture picture;
    picture.ms = ms;
    picture.grey.reserve(size_t(signature.width()) * size_t(signature.height()));
    for (int y = 0; y < signature.height(); ++y) {
        const uchar *line = signature.constScanLine(y);
        picture.grey.insert(picture.grey.end(), line, line + signature.width());
    }
    double sum = 0.0;
    double squares = 0.0;
    for (float v : picture.grey) {
        sum += v;
        squares += double(v) * v;
    }
    const double mean = sum / double(picture.grey.size());
    picture.spread = std::sqrt(std::max(0.0, squares / double(picture.grey.size()) - mean * mean));
    if (!m_pictures.empty() && m_pictures.front().grey.size() != picture.grey.size())
        m_pictures.clear();
    while (!m_pictures.empty() && m_pictures.front().ms < ms - WindowMs)
        m_pictures.pop_front();
    auto dotWith = [&picture](const std::vector<float> &other) {
        double product = 0.0;
        for (size_t j = 0; j < other.size(); ++j)
            product += double(picture.grey[j]) * other[j];
        return product;
    };
    picture.dots.reserve(m_pictures.size() + 1);
    picture.dots.push_back(dotWith(picture.grey));
    for (auto it = m_pictures.crbegin(); it != m_pictures.crend(); ++it)
        picture.dots.push_back(dotWith(it->grey));
    m_pictures.push_back(std::move(picture));

    const int last = int(m_pictures.size()) - 1;
    for (int from = 0; from < last; ++from) {
        if (ms - m_pictures[size_t(from)].ms < 2 * SettleMs)
            break;
        // The mean difference is never above the root mean square one,
        // which the dot products give for free: most starts end here.
        const double distance = std::max(0.0, dot(from, from) - 2.0 * dot(from, last) + dot(last, last));
        if (std::sqrt(distance / double(m_pictures.back().grey.size())) / 255.0 * 100.0 <= m_threshold
            || difference(m_pictures[size_t(from)].grey, m_pictures.back().grey) <= m_threshold)
            continue;
        Course single;
        addCourse(single, from, last, 0.0, 1.0);
        if (seenThrough(from, single))
            return true;
        // A fade through black or white: two mixes meeting at the flattest picture.
        int flat = -1;
        for (int i = from + 1; i < last; ++i) {
            if (flat < 0 || m_pictures[size_t(i)].spread < m_pictures[size_t(flat)].spread)
                flat = i;
        }
        if (flat < 0 || m_pictures[size_t(flat)].spread > FlatSpread)
            continue;
        Course twice;
        addCourse(twice, from, flat, 0.0, 0.5);
        addCourse(twice, flat, last, 0.5, 0.5);
        // The flat picture ends the first mix and opens the second.
        twice.alpha.erase(twice.alpha.begin() + (flat - from + 1));
        twice.residual.erase(twice.residual.begin() + (flat - from + 1));
        if (seenThrough(from, twice))
            return true;
    }
    return false;
}

double GradualTransition::dot(int first, int second) const
{
    if (first > second)
        std::swap(first, second);
    return m_pictures[size_t(second)].dots[size_t(second - first)];
}

// Appends, for the pictures from..to, where each lies on the way from the
// picture at from to the one at to (0 to 1, mapped to offset + scale * a)
// and how far it is off that way (root mean square, 0-100).
void GradualTransition::addCourse(Course &course, int from, int to, double offset, double scale) const
{
    const double values = double(m_pictures[size_t(from)].grey.size());
    const double startSquare = dot(from, from);
    const double length = dot(to, to) - 2.0 * dot(from, to) + startSquare;
    for (int i = from; i <= to; ++i) {
        const double fromStart = dot(i, i) - 2.0 * dot(i, from) + startSquare;
        const double along = dot(i, to) - dot(i, from) - dot(from, to) + startSquare;
        const double a = length > 0.0 ? std::clamp(along / length, 0.0, 1.0) : 0.0;
        const double off = std::max(0.0, fromStart - 2.0 * a * along + a * a * length);
        course.alpha.push_back(offset + scale * a);
        course.residual.push_back(std::sqrt(off / values) / 255.0 * 100.0);
    }
}

bool GradualTransition::seenThrough(int from, const Course &course)
{
    const int count = int(course.alpha.size());
    auto msAt = [&](int i) { return m_pictures[size_t(from + i)].ms; };
    double top = 0.0;
    for (int i = 0; i < count; ++i) {
        if (course.alpha[size_t(i)] < top - Slack)
            return false;
        top = std::max(top, course.alpha[size_t(i)]);
    }
    int lastOld = -1;
    int firstNew = count;
    for (int i = 0; i < count; ++i) {
        if (course.alpha[size_t(i)] <= Low)
            lastOld = i;
        if (course.alpha[size_t(i)] >= High && firstNew == count)
            firstNew = i;
    }
    if (lastOld < 0 || firstNew == count || lastOld > firstNew)
        return false;
    // The new shot is fully in where the mix comes up to the top it
    // holds from there on.
    int image = lastOld + 1;
    while (course.alpha[size_t(image)] < top - 0.03)
        ++image;
    const int mixed = image - lastOld - 1;
    auto meanResidual = [&](int first, int end) {
        double sum = 0.0;
        for (int i = first; i < end; ++i)
            sum += course.residual[size_t(i)];
        return end > first ? sum / (end - first) : 0.0;
    };
    const double residual = meanResidual(lastOld + 1, image);
    const double before = meanResidual(0, lastOld + 1);
    const double after = meanResidual(image, count);
    if (msAt(lastOld) - msAt(0) < SettleMs || msAt(count - 1) - msAt(image) < SettleMs
        || msAt(count - 1) - msAt(image) > ReportDelayMs || msAt(image) - msAt(lastOld) > LongestMs)
        return false;
    const double change = difference(m_pictures[size_t(from)].grey, m_pictures.back().grey);
    if (mixed < LeastMixed || residual > MixResidual || std::max(before, after) > Stillness * change
        || m_pictures[size_t(from + image)].spread <= FlatSpread)
        return false;
    m_imageMs = msAt(image);
    m_startMs = msAt(lastOld);
    m_pictures.erase(m_pictures.begin(), m_pictures.begin() + from + image);
    return true;
}
