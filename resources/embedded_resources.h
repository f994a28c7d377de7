// The pictures built into the program at build time, so that it needs no
// files beside it wherever it is installed or moved.
#pragma once

#include <cstddef>

namespace druvex::resources {

struct EmbeddedFile {
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedFile help_image;   // help.png: the help window's picture
extern const EmbeddedFile window_icon;  // icon.png

}  // namespace druvex::resources
