#pragma once

class CameraModel;
class CameraController;

// The camera model and controller of the connected camera, kept for the
// whole program while a camera window is open; null otherwise. The camera
// session sets and clears them; any thread may read them.
CameraModel *CurrentCameraModel();
CameraController *CurrentCameraController();
void SetCurrentCamera(CameraModel *model, CameraController *controller);
