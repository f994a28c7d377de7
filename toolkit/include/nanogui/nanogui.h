// Umbrella header of the project's toolkit layer.
#pragma once

#include <nanogui/button.h>
#include <nanogui/checkbox.h>
#include <nanogui/combobox.h>
#include <nanogui/common.h>
#include <nanogui/entypo.h>
#include <nanogui/glutil.h>
#include <nanogui/imageview.h>
#include <nanogui/label.h>
#include <nanogui/layout.h>
#include <nanogui/object.h>
#include <nanogui/opengl.h>
#include <nanogui/popupbutton.h>
#include <nanogui/screen.h>
#include <nanogui/slider.h>
#include <nanogui/textbox.h>
#include <nanogui/theme.h>
#include <nanogui/vscrollpanel.h>
#include <nanogui/widget.h>
#include <nanogui/window.h>
