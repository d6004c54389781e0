// Rectangles on the integer pixel grid (IntegerRect) and in continuous world
// space (BoundingRect), and the abstract base of the framework's regions.
#pragma once

#include <iosfwd>

#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// A rectangle of whole pixels: the offset of its first pixel and its size.
class ZEV_API IntegerRect {
public:
    IntegerRect();
    IntegerRect(const int2& offset, const size2& size);
    const int2& offset() const { return offset_; }
    const size2& size() const { return size_; }

private:
    int2 offset_;
    size2 size_;
};

ZEV_API bool operator==(const IntegerRect& a, const IntegerRect& b);
/// Prints "(x, y) width x height".
ZEV_API std::ostream& operator<<(std::ostream& os, const IntegerRect& rect);
/// Prints "(x, y)".
ZEV_API std::ostream& operator<<(std::ostream& os, const float2& value);

class BoundingRect;

/// A region of world space. The virtual order is part of the binary interface:
/// slot 2 is the emptiness query, 14 and 15 outset/inset, 19 the representation.
/// clone() returns a copy on the heap, which the caller owns and deletes;
/// outset() and inset() grow() by the amount and by minus the amount.
class ZEV_API BoundingRegionBase {
public:
    enum teRepresentation { REPRESENTATION_GENERIC = 0, REPRESENTATION_RECT = 1 };

    BoundingRegionBase() = default;
    BoundingRegionBase(const BoundingRegionBase&) = default;
    BoundingRegionBase& operator=(const BoundingRegionBase&) = default;
    virtual ~BoundingRegionBase();                                // 0
    virtual BoundingRegionBase* clone() const = 0;                // 1
    virtual bool isEmpty() const = 0;                             // 2
    virtual bool isInfinite() const = 0;                          // 3
    virtual bool contains(const float2& point) const = 0;         // 4
    virtual float width() const = 0;                              // 5
    virtual float height() const = 0;                             // 6
    virtual float area() const = 0;                               // 7
    virtual float2 center() const = 0;                            // 8
    virtual void translate(const float2& delta) = 0;              // 9
    virtual void scale(const float2& factor) = 0;                 // 10
    virtual BoundingRect boundingBox() const = 0;                 // 11
    virtual void unite(const BoundingRegionBase& other) = 0;      // 12
    virtual void intersect(const BoundingRegionBase& other) = 0;  // 13
    virtual void outset(const float2& amount);                    // 14
    virtual void inset(const float2& amount);                     // 15
    virtual void grow(const float2& amount) = 0;                  // 16
    virtual void makeEmpty() = 0;                                 // 17
    virtual void makeInfinite() = 0;                              // 18
    virtual teRepresentation representation() const;              // 19
    virtual void write(std::ostream& os) const = 0;               // 20
};

/// An axis-aligned world rectangle from minimum to maximum. It is empty when
/// the maximum is not greater than the minimum in either axis (or a corner is NaN).
class ZEV_API BoundingRect : public BoundingRegionBase {
public:
    BoundingRect();  ///< empty
    BoundingRect(const float2& minimum, const float2& maximum);
    /// From minus to plus infinity in both axes.
    static BoundingRect infinitePlane();

    const float2& minimum() const { return minimum_; }
    const float2& maximum() const { return maximum_; }

    BoundingRegionBase* clone() const override;
    bool isEmpty() const override;
    bool isInfinite() const override;
    /// Half-open: the minimum belongs to the rectangle, the maximum does not.
    bool contains(const float2& point) const override;
    /// 0 when empty.
    float width() const override;
    float height() const override;
    float area() const override;
    float2 center() const override;
    void translate(const float2& delta) override;
    void scale(const float2& factor) override;
    BoundingRect boundingBox() const override;
    /// With other's bounding box; an empty box leaves this one as it is.
    void unite(const BoundingRegionBase& other) override;
    /// With other's bounding box; an empty result becomes the empty rectangle.
    void intersect(const BoundingRegionBase& other) override;
    void grow(const float2& amount) override;
    void makeEmpty() override;
    void makeInfinite() override;
    teRepresentation representation() const override;
    void write(std::ostream& os) const override;

private:
    float2 minimum_;
    float2 maximum_;
};

ZEV_API bool operator==(const BoundingRect& a, const BoundingRect& b);
ZEV_API std::ostream& operator<<(std::ostream& os, const BoundingRect& rect);

}  // namespace ZEV
