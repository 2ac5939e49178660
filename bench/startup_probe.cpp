// Starts a program and reports, from X11 events alone, when its top-level window with the given
// title is mapped; then ends it with SIGTERM and reports how long it took to exit and its peak RSS.
//
//   startup_probe TITLE PROGRAM [ARGS...]
//   prints: map_ms=... exit_ms=... rss_kb=... status=...
//
// The root window's substructure events are selected before the program starts, so no map can be
// missed; a window manager's frame is looked into for the client window it holds.
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

[[noreturn]] void die(const char* what) {
    std::fprintf(stderr, "startup_probe: %s\n", what);
    std::exit(2);
}

struct Probe {
    xcb_connection_t* conn = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t pidAtom = 0;
    xcb_atom_t nameAtom = 0;
    xcb_atom_t utf8Atom = 0;
    pid_t pid = 0;
    std::string title;

    xcb_atom_t atom(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : 0;
        free(reply);
        return a;
    }

    std::string property(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type) {
        auto* reply =
            xcb_get_property_reply(conn, xcb_get_property(conn, 0, w, prop, type, 0, 1024), nullptr);
        std::string value;
        if (reply && reply->type != XCB_NONE)
            value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                         size_t(xcb_get_property_value_length(reply)));
        free(reply);
        return value;
    }

    bool isTarget(xcb_window_t w) {
        const std::string pidBytes = property(w, pidAtom, XCB_ATOM_CARDINAL);
        if (pidBytes.size() != 4)
            return false;
        uint32_t owner = 0;
        memcpy(&owner, pidBytes.data(), 4);
        return pid_t(owner) == pid && property(w, nameAtom, utf8Atom) == title;
    }

    bool isViewable(xcb_window_t w) {
        auto* reply = xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, w), nullptr);
        const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        free(reply);
        return viewable;
    }

    // The program's window at or below `w` (a window manager's frame holds it a level or two down).
    xcb_window_t findTarget(xcb_window_t w, int depth) {
        if (isTarget(w))
            return w;
        if (depth == 0)
            return 0;
        auto* reply = xcb_query_tree_reply(conn, xcb_query_tree(conn, w), nullptr);
        xcb_window_t found = 0;
        if (reply) {
            const xcb_window_t* children = xcb_query_tree_children(reply);
            for (int i = 0; i < xcb_query_tree_children_length(reply) && !found; ++i)
                found = findTarget(children[i], depth - 1);
        }
        free(reply);
        return found;
    }
};

int pidfdOpen(pid_t pid) {
    return int(syscall(SYS_pidfd_open, pid, 0));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        die("usage: startup_probe TITLE PROGRAM [ARGS...]");
    Probe probe;
    probe.title = argv[1];
    probe.conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(probe.conn))
        die("cannot connect to the X server");
    probe.root = xcb_setup_roots_iterator(xcb_get_setup(probe.conn)).data->root;
    probe.pidAtom = probe.atom("_NET_WM_PID");
    probe.nameAtom = probe.atom("_NET_WM_NAME");
    probe.utf8Atom = probe.atom("UTF8_STRING");
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(probe.conn, probe.root, XCB_CW_EVENT_MASK, &rootMask);
    free(xcb_get_input_focus_reply(probe.conn, xcb_get_input_focus(probe.conn), nullptr)); // selected now

    const Clock::time_point start = Clock::now();
    probe.pid = fork();
    if (probe.pid < 0)
        die("fork failed");
    if (probe.pid == 0) {
        execvp(argv[2], argv + 2);
        _exit(127);
    }
    const int pidfd = pidfdOpen(probe.pid);
    if (pidfd < 0)
        die("pidfd_open failed");

    // Frames mapped before their client is: such a client is then watched for its own map.
    Clock::time_point mapped{};
    bool found = false;
    while (!found) {
        pollfd fds[2] = {{xcb_get_file_descriptor(probe.conn), POLLIN, 0}, {pidfd, POLLIN, 0}};
        xcb_generic_event_t* event = xcb_poll_for_event(probe.conn);
        if (!event) {
            if (poll(fds, 2, 120000) <= 0)
                die("no window within 120 s");
            if (fds[1].revents & POLLIN)
                die("the program ended before its window was mapped");
            event = xcb_poll_for_event(probe.conn);
            if (!event) {
                if (xcb_connection_has_error(probe.conn))
                    die("lost the X connection");
                continue;
            }
        }
        const Clock::time_point now = Clock::now();
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (const xcb_window_t target = probe.findTarget(map->window, 2)) {
                if (probe.isViewable(target)) {
                    mapped = now;
                    found = true;
                } else if (target != map->window) {
                    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                    xcb_change_window_attributes(probe.conn, target, XCB_CW_EVENT_MASK, &mask);
                    xcb_flush(probe.conn);
                    if (probe.isViewable(target)) {
                        mapped = Clock::now();
                        found = true;
                    }
                }
            }
        }
        free(event);
    }

    const Clock::time_point asked = Clock::now();
    kill(probe.pid, SIGTERM);
    int status = 0;
    rusage usage{};
    if (wait4(probe.pid, &status, 0, &usage) != probe.pid)
        die("wait4 failed");
    const Clock::time_point ended = Clock::now();
    std::printf("map_ms=%.1f exit_ms=%.1f rss_kb=%ld status=%d\n", msBetween(start, mapped),
                msBetween(asked, ended), usage.ru_maxrss,
                WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    xcb_disconnect(probe.conn);
    return 0;
}
