// The decisions of the progress window: its title and where it stands.
#pragma once

#include <cstdint>

namespace setup {

struct WindowRect {
  int x;
  int y;
  int width;
  int height;
};

// The title naming the provider when it is being installed, else the plug-in's (the card
// provider alone counts as the plug-in's title); a removal has one title for all.
std::uint16_t ProgressTitleId(bool installProvider, bool removal = false);

// 300 x 58, centred on the primary screen by integer halves.
WindowRect ProgressWindowRect(int screenWidth, int screenHeight);

}  // namespace setup
