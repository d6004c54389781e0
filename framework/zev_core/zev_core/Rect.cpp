// IntegerRect, BoundingRegionBase and BoundingRect, and their printing.
#include "zev_core/Rect.h"

#include <algorithm>
#include <limits>
#include <ostream>

namespace ZEV {

IntegerRect::IntegerRect() : offset_(0), size_(0) {}
IntegerRect::IntegerRect(const int2& offset, const size2& size) : offset_(offset), size_(size) {}

bool operator==(const IntegerRect& a, const IntegerRect& b) {
    return a.offset().i == b.offset().i && a.offset().j == b.offset().j &&
           a.size().i == b.size().i && a.size().j == b.size().j;
}

std::ostream& operator<<(std::ostream& os, const IntegerRect& rect) {
    return os << "(" << rect.offset().i << ", " << rect.offset().j << ") " << rect.size().i << " x "
              << rect.size().j;
}

std::ostream& operator<<(std::ostream& os, const float2& value) {
    return os << "(" << value.x << ", " << value.y << ")";
}

BoundingRegionBase::~BoundingRegionBase() = default;

void BoundingRegionBase::outset(const float2& amount) { grow(amount); }
void BoundingRegionBase::inset(const float2& amount) { grow(float2(-amount.x, -amount.y)); }

BoundingRegionBase::teRepresentation BoundingRegionBase::representation() const {
    return REPRESENTATION_GENERIC;
}

namespace {
constexpr float kInf = std::numeric_limits<float>::infinity();
}

BoundingRect::BoundingRect() : minimum_(0.0f), maximum_(0.0f) {}
BoundingRect::BoundingRect(const float2& minimum, const float2& maximum)
    : minimum_(minimum), maximum_(maximum) {}

BoundingRect BoundingRect::infinitePlane() {
    return BoundingRect(float2(-kInf, -kInf), float2(kInf, kInf));
}

BoundingRegionBase* BoundingRect::clone() const { return new BoundingRect(*this); }

bool BoundingRect::isEmpty() const {
    // Written so that NaN corners also count as empty.
    return !(maximum_.x > minimum_.x) || !(maximum_.y > minimum_.y);
}

bool BoundingRect::isInfinite() const { return *this == infinitePlane(); }

bool BoundingRect::contains(const float2& p) const {
    return p.x >= minimum_.x && p.x < maximum_.x && p.y >= minimum_.y && p.y < maximum_.y;
}

float BoundingRect::width() const { return isEmpty() ? 0.0f : maximum_.x - minimum_.x; }
float BoundingRect::height() const { return isEmpty() ? 0.0f : maximum_.y - minimum_.y; }
float BoundingRect::area() const { return width() * height(); }

float2 BoundingRect::center() const {
    return float2((minimum_.x + maximum_.x) * 0.5f, (minimum_.y + maximum_.y) * 0.5f);
}

void BoundingRect::translate(const float2& d) {
    minimum_ = float2(minimum_.x + d.x, minimum_.y + d.y);
    maximum_ = float2(maximum_.x + d.x, maximum_.y + d.y);
}

void BoundingRect::scale(const float2& f) {
    minimum_ = float2(minimum_.x * f.x, minimum_.y * f.y);
    maximum_ = float2(maximum_.x * f.x, maximum_.y * f.y);
}

BoundingRect BoundingRect::boundingBox() const { return *this; }

void BoundingRect::unite(const BoundingRegionBase& other) {
    const BoundingRect box = other.boundingBox();
    if (box.isEmpty()) return;
    if (isEmpty()) {
        *this = box;
        return;
    }
    minimum_ = float2(std::min(minimum_.x, box.minimum_.x), std::min(minimum_.y, box.minimum_.y));
    maximum_ = float2(std::max(maximum_.x, box.maximum_.x), std::max(maximum_.y, box.maximum_.y));
}

void BoundingRect::intersect(const BoundingRegionBase& other) {
    const BoundingRect box = other.boundingBox();
    minimum_ = float2(std::max(minimum_.x, box.minimum_.x), std::max(minimum_.y, box.minimum_.y));
    maximum_ = float2(std::min(maximum_.x, box.maximum_.x), std::min(maximum_.y, box.maximum_.y));
    if (isEmpty()) makeEmpty();
}

void BoundingRect::grow(const float2& a) {
    minimum_ = float2(minimum_.x - a.x, minimum_.y - a.y);
    maximum_ = float2(maximum_.x + a.x, maximum_.y + a.y);
}

void BoundingRect::makeEmpty() { minimum_ = maximum_ = float2(0.0f); }
void BoundingRect::makeInfinite() { *this = infinitePlane(); }

BoundingRegionBase::teRepresentation BoundingRect::representation() const {
    return REPRESENTATION_RECT;
}

void BoundingRect::write(std::ostream& os) const { os << minimum_ << " - " << maximum_; }

bool operator==(const BoundingRect& a, const BoundingRect& b) {
    return a.minimum().x == b.minimum().x && a.minimum().y == b.minimum().y &&
           a.maximum().x == b.maximum().x && a.maximum().y == b.maximum().y;
}

std::ostream& operator<<(std::ostream& os, const BoundingRect& rect) {
    rect.write(os);
    return os;
}

}  // namespace ZEV
