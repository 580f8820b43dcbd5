#pragma once

class FilePanels;
class LoginItem;
class NotificationCenter;
class Pasteboard;
class ScreenCapture;
class ScreenCaptureAccess;
class UrlOpener;
class UserDefaults;

// The operating-system services, handed to the application controller and
// passed on from there. Tests build one from doubles.
struct PlatformServices {
    NotificationCenter& notifications;
    UserDefaults& defaults;
    Pasteboard& pasteboard;
    FilePanels& filePanels;
    UrlOpener& urlOpener;
    LoginItem& loginItem;
    ScreenCaptureAccess& captureAccess;
    ScreenCapture& screenCapture;
};
