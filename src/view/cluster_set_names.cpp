// The registry of cluster line-set names in use.
#include "cluster_set_names.h"

#include <mutex>
#include <set>

namespace druvex {
namespace {

std::mutex g_names_mutex;
// Every name in use, and every name plus "2".
std::set<std::string> g_taken;

bool free_name(const std::string& name) {
    return g_taken.count(name) == 0 && g_taken.count(name + "2") == 0;
}

}  // namespace

std::string claim_cluster_set_name(uint64_t handle) {
    const std::string base = "vw" + std::to_string(handle);
    std::lock_guard<std::mutex> lock(g_names_mutex);
    std::string name = base;
    for (int k = 2; !free_name(name); ++k) name = base + "-" + std::to_string(k);
    g_taken.insert(name);
    g_taken.insert(name + "2");
    return name;
}

void release_cluster_set_name(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_names_mutex);
    g_taken.erase(name);
    g_taken.erase(name + "2");
}

}  // namespace druvex
