#include "audiofile/CodecRegistry.h"

namespace {

ICodecRegistry* g_registry = nullptr;

}  // namespace

ICodecRegistry* CodecRegistry() {
    return g_registry;
}

ICodecRegistry* SetCodecRegistry(ICodecRegistry* registry) {
    ICodecRegistry* before = g_registry;
    g_registry = registry;
    return before;
}
