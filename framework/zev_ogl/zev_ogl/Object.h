// Base of the GL object wrappers: a GL name and the binding query of its target.
// A wrapper owns its name: it deletes it on destruction, hands it on when
// moved (the moved-from wrapper holds name 0 and deletes nothing), and gives
// it up through the derived class's release().
#pragma once

#include <utility>

#include "zev_core/Export.h"

namespace ZEV::OGL {

/// Not copyable; the derived owners are movable.
class ZEV_API Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    /// The derived class has deleted the GL object by now.
    virtual ~Object();
    /// The GL name, 0 when this owner holds none; still owned by this object.
    unsigned int objectID() const { return id_; }
    /// The name bound to this object's target right now (in the current context).
    virtual unsigned int getBoundID() const = 0;

protected:
    Object() = default;
    Object(Object&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    /// Only takes the name over: the derived class deletes its own first.
    Object& operator=(Object&& other) noexcept {
        id_ = std::exchange(other.id_, 0);
        return *this;
    }
    unsigned int id_ = 0;
};

}  // namespace ZEV::OGL
