#ifndef KORVAN_GUI_ICONS_ICONS_H
#define KORVAN_GUI_ICONS_ICONS_H

// The button pictures, complete GIF files built into the program
// (generated into icons.cpp by make_icons.sh).

namespace Icons {
extern const unsigned char ok_gif[], cancel_gif[], test_gif[], new_gif[], delete_gif[], save_gif[], read_gif[],
    close_gif[], exit_gif[];
extern const unsigned int ok_gif_len, cancel_gif_len, test_gif_len, new_gif_len, delete_gif_len, save_gif_len,
    read_gif_len, close_gif_len, exit_gif_len;
} // namespace Icons

#endif
