#pragma once
#include <QImage>
#include <QSize>

// The pictures of the closing dialog's four buttons, drawn by the program (our own artwork).
enum class CloseButtonPicture { Back, PrintProtocol, PrintCertificate, End };
enum class PictureState { Normal, Disabled, Pressed };

// A picture of `size` on a transparent background.
QImage DrawCloseButtonPicture(CloseButtonPicture kind, PictureState state, QSize size);
