// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// The window system the program's windows live on: chosen before the application object starts,
/// and what it lets the subtitle window do.
class WindowSystem
{
public:
    WindowSystem() = delete;

    /// Why the windows are on native Wayland, where no window can stay above the others or place
    /// itself.
    enum class WaylandReason {
        /// They are not: X11, or XWayland on a Wayland desktop.
        None,
        /// The user asked for Wayland (QT_QPA_PLATFORM).
        ChosenByUser,
        /// No X server answered, not even the desktop's XWayland.
        NoXServer,
    };

    /// Prefers X11 (XWayland on a Wayland desktop), where the subtitles can stay on top and keep
    /// their place, and falls back to Wayland rather than failing to start when no X server
    /// answers. A platform the user chose is left alone. Call before the application object exists.
    static void choosePlatform();

    /// Whether, and why, the running application's windows are on native Wayland.
    static WaylandReason waylandReason();
};
