// Names of the views' cluster line sets, unique among the living views.
#pragma once

#include <cstdint>
#include <string>

namespace druvex {

// A name for the cluster sets of a view whose first sensor has `handle`:
// "vw" and the handle, with a suffix when another view holds that name. The
// view draws its outlines under the name and its faces under the name plus
// "2", so neither may meet another view's: two views of one sensor, or
// sensors 1 and 12, would otherwise draw and clear each other's boxes.
std::string claim_cluster_set_name(uint64_t handle);
// The view is gone; its name may be handed out again.
void release_cluster_set_name(const std::string& name);

}  // namespace druvex
