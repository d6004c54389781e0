// Base of the GL object wrappers: a GL name and the binding query of its target.
#pragma once

#include "zev_core/Export.h"

namespace ZEV::OGL {

class ZEV_API Object {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    // Deletes the GL object.
    virtual ~Object();
    unsigned int objectID() const { return id_; }
    // The name bound to this object's target right now (in the current context).
    virtual unsigned int getBoundID() const = 0;

protected:
    Object() = default;
    unsigned int id_ = 0;
};

}  // namespace ZEV::OGL
