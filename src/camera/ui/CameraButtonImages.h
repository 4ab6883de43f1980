#pragma once

#include <QPixmap>

// The pictures of the camera window's buttons, drawn by the program itself
// when first asked for (user-interface thread only).
enum class CameraButtonImage {
    Start,      // "开始", 100 by 70
    Shoot,      // "拍照", 100 by 80
    Minimise,   // "一", 30 by 24
    End,        // "END", 30 by 24
    Disconnect, // "断开", 30 by 24
};

QPixmap CameraButtonPicture(CameraButtonImage image);
