// The pictures and messages that objects show on the card, drawn relative
// to their anchor point.
#pragma once

namespace cards {

enum picture { PICTURE_HEART = 0, PICTURE_STARBURST = 1, PICTURE_JET = 2, PICTURE_CAR = 3 };

constexpr int message_count = 10;
extern const char* const card_messages[message_count];

// Draws the picture of a shape object: its style's remainder by 4.
void draw_shape(int style, int color, int x, int y);
// Draws message number (style remainder 10).
void draw_message(int style, int color, int x, int y);

void draw_heart(int color, int x, int y);
void draw_starburst(int color, int x, int y);
void draw_jet(int color, int x, int y);
void draw_car(int color, int x, int y);

}  // namespace cards
