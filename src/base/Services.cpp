#include "base/Services.h"

#include "base/HeadlessServices.h"

namespace {
CHeadlessServices g_fallback;
IServices* g_services = nullptr;
std::atomic<bool> g_cancel{false};
}  // namespace

std::atomic<bool>& CancelFlag() { return g_cancel; }

IServices& Services() { return g_services ? *g_services : g_fallback; }

void SetServices(IServices* services) { g_services = services; }
