// Program build and eviction counts.
#include "ProgramStats.h"

#include <epoxy/gl.h>

#include "zev_ogl/LiveObjects.h"

namespace ZevFilter {

namespace {

size_t livePrograms() { return ZEV::OGL::LiveObjects::count(ZEV::OGL::ObjectKind::Program); }

}  // namespace

ProgramStats::Census ProgramStats::beforeLock(const ZEV::ShaderProgramProxyOGL& proxy) const {
    Census census;
    census.livePrograms = livePrograms();
    const auto name = nameOf_.find(&proxy);
    if (name != nameOf_.end()) {
        const auto holder = holderOf_.find(name->second);
        census.built = glIsProgram(name->second) == GL_TRUE && holder != holderOf_.end() &&
                       holder->second == &proxy;
    }
    return census;
}

void ProgramStats::afterLock(const ZEV::ShaderProgramProxyOGL& proxy, const Census& before,
                             const ZEV::OGL::Program& program) {
    nameOf_[&proxy] = program.objectID();
    holderOf_[program.objectID()] = &proxy;
    if (before.built) return;
    // A build adds one program after deleting the evicted ones.
    ++built_;
    evicted_ += before.livePrograms + 1 - livePrograms();
}

}  // namespace ZevFilter
