// Object's out-of-line destructor (the derived wrappers delete their GL names).
#include "zev_ogl/Object.h"

namespace ZEV::OGL {
Object::~Object() = default;
}
