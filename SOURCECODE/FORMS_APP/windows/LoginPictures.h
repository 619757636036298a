#pragma once

class QLabel;
class QWidget;

// The pictures of the two password windows: the banner across the top (imgTopBanner), the padlock
// beside the text (Image1) and the rule under the banner (Image2).
namespace LoginPictures {

void Place(QWidget* window, int width, QLabel** imgTopBanner, QLabel** Image1, QLabel** Image2);

} // namespace LoginPictures
