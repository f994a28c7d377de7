// Toolkit demo: a Control Panel built through FormHelper.
//   toolkit_demo                        interactive (Q / Escape closes)
//   toolkit_demo --screenshot out.png   draws, saves a PNG and exits
//                [--open-popup] [--advanced] [--collapse-display] [--hover] [--playing]
//                [--open-combo] [--scroll]
//   toolkit_demo --frames N             runs the main loop for N frames, then closes
#include "demo_form.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>
#include <vector>

#ifdef DRUVEX_HAVE_LODEPNG
#include <lodepng.h>
#endif

using namespace nanogui;

int main(int argc, char** argv) {
    std::string screenshot;
    bool openPopup = false, advanced = false, collapseDisplay = false, hover = false,
         playing = false, openCombo = false, scroll = false;
    int frames = -1;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc)
            screenshot = argv[++i];
        else if (!std::strcmp(argv[i], "--open-popup"))
            openPopup = true;
        else if (!std::strcmp(argv[i], "--advanced"))
            advanced = true;
        else if (!std::strcmp(argv[i], "--collapse-display"))
            collapseDisplay = true;
        else if (!std::strcmp(argv[i], "--hover"))
            hover = true;
        else if (!std::strcmp(argv[i], "--playing"))
            playing = true;
        else if (!std::strcmp(argv[i], "--open-combo"))
            openCombo = true;
        else if (!std::strcmp(argv[i], "--scroll"))
            scroll = true;
        else if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
            frames = std::atoi(argv[++i]);
        else {
            std::cerr << "usage: toolkit_demo [--screenshot out.png] [--open-popup] [--advanced] "
                         "[--collapse-display] [--hover] [--playing] [--open-combo] [--scroll] "
                         "[--frames N]\n";
            return 2;
        }
    }
    try {
        try {
            nanogui::init();
        } catch (const std::exception& e) {
            std::cerr << "toolkit_demo: " << e.what() << " (no display?)" << std::endl;
            return 77;  // skipped
        }
        {
            ref<druvex_demo::DemoScreen> screen =
                new druvex_demo::DemoScreen(Vector2i(760, 620), 4, scroll);
            screen->state.showAdvanced = advanced;
            screen->state.playing = playing;
            screen->closeAfterFrames = frames;
            if (collapseDisplay) screen->displayGroup()->setExpanded(false);
            if (openPopup) screen->viewPopupButton()->setPushed(true);
            if (openCombo) screen->colorModeCombo()->setPushed(true);
            screen->setVisible(true);
            screen->drawAll();
            if (!screenshot.empty()) {
                screen->drawAll();
                if (hover) {
                    // Hover the last button long enough for its tooltip.
                    Widget* target = screen->clickButton();
                    Vector2i c = target->absolutePosition() + target->size() / 2;
                    float pr = screen->pixelRatio();
                    screen->cursorPosCallbackEvent(c.x() * pr, c.y() * pr);
                    std::this_thread::sleep_for(std::chrono::milliseconds(800));
                }
                std::vector<uint8_t> pixels = screen->grabFramebuffer();
                Vector2i size = screen->framebufferSize();
#ifdef DRUVEX_HAVE_LODEPNG
                // Opaque output: the window background is opaque anyway.
                for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
                unsigned err =
                    lodepng::encode(screenshot, pixels, (unsigned)size.x(), (unsigned)size.y());
                if (err) {
                    std::cerr << "PNG error: " << lodepng_error_text(err) << std::endl;
                    return 1;
                }
#else
                std::cerr << "built without lodepng: no screenshot" << std::endl;
                return 1;
#endif
                std::cout << "wrote " << screenshot << " (" << size.x() << "x" << size.y() << ")"
                          << std::endl;
            } else {
                nanogui::mainloop(50);
            }
        }
        nanogui::shutdown();
    } catch (const std::exception& e) {
        std::cerr << "toolkit_demo: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
