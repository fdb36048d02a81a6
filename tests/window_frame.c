/* window_frame [--wm [--bar N]] PROGRAM...: starts PROGRAM on the current X
 * display and waits, event by event, until its window "Velmora" stands where
 * a user expects it: under a window manager (--wm) the frame's top-left
 * corner at the work area's corner, the client area at the frame's inner
 * corner and the whole frame inside the work area; without one the client
 * area at (0, 0). With --bar N a dock across the top of the screen reserves
 * its top N pixels first, as a desktop's top bar does. Exits 0 when it does,
 * 1 (with what it saw) when the window settles elsewhere or does not appear
 * within 20 s. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double now_s(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

static int ignore_errors(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0;
}

static int named(Display* d, Window w, const char* name) {
    char* got = NULL;
    int ok = XFetchName(d, w, &got) && got && strcmp(got, name) == 0;
    if (got) XFree(got);
    return ok;
}

/* The four CARDINALs of property `name` on w; 0 when it has not four. */
static int four_cardinals(Display* d, Window w, const char* name, long out[4]) {
    Atom type;
    int format;
    unsigned long n = 0, after = 0;
    unsigned char* data = NULL;
    Atom a = XInternAtom(d, name, False);
    int ok =
        XGetWindowProperty(d, w, a, 0, 4, False, XA_CARDINAL, &type, &format, &n, &after, &data) == Success &&
        data && n == 4;
    if (ok)
        for (int i = 0; i < 4; ++i) out[i] = ((long*)data)[i];
    if (data) XFree(data);
    return ok;
}

/* The window manager's frame extents of w (left, right, top, bottom); 0 when none. */
static int frame_extents(Display* d, Window w, long ext[4]) {
    return four_cardinals(d, w, "_NET_FRAME_EXTENTS", ext);
}

/* Sleeps until the X server has something to say, or a tenth of a second at most. */
static void wait_for_events(Display* d) {
    int fd = ConnectionNumber(d);
    fd_set s;
    FD_ZERO(&s);
    FD_SET(fd, &s);
    struct timeval tv = {0, 100000};
    select(fd + 1, &s, NULL, NULL, &tv);
}

/* The work area the window manager announces (x, y, width, height); the screen when none. */
static void work_area(Display* d, Window root, long wa[4]) {
    if (four_cardinals(d, root, "_NET_WORKAREA", wa)) return;
    wa[0] = wa[1] = 0;
    wa[2] = DisplayWidth(d, DefaultScreen(d));
    wa[3] = DisplayHeight(d, DefaultScreen(d));
}

/* A dock across the top of the screen that reserves its top `height` pixels. */
static void top_bar(Display* d, Window root, int height) {
    const int width = DisplayWidth(d, DefaultScreen(d));
    Window bar = XCreateSimpleWindow(d, root, 0, 0, width, height, 0, 0, 0x303030);
    Atom type = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
    Atom dock = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(d, bar, type, XA_ATOM, 32, PropModeReplace, (unsigned char*)&dock, 1);
    long strut[12] = {0, 0, height, 0, 0, 0, 0, 0, 0, width - 1, 0, 0};
    XChangeProperty(d, bar, XInternAtom(d, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32, PropModeReplace,
                    (unsigned char*)strut, 12);
    XChangeProperty(d, bar, XInternAtom(d, "_NET_WM_STRUT", False), XA_CARDINAL, 32, PropModeReplace,
                    (unsigned char*)strut, 4);
    XMapWindow(d, bar);
    XSync(d, False);
}

int main(int argc, char** argv) {
    int wm = argc > 1 && strcmp(argv[1], "--wm") == 0;
    int bar = 0;
    char** cmd = argv + 1 + wm;
    if (wm && cmd[0] && strcmp(cmd[0], "--bar") == 0 && cmd[1]) {
        bar = atoi(cmd[1]);
        cmd += 2;
    }
    if (!*cmd) {
        fprintf(stderr, "usage: window_frame [--wm [--bar N]] PROGRAM...\n");
        return 2;
    }
    Display* d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "window_frame: no display\n");
        return 2;
    }
    XSetErrorHandler(ignore_errors);
    Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask | PropertyChangeMask);
    XSync(d, False);

    /* A window manager announces itself on the root window once it manages the screen. */
    if (wm) {
        Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
        const double until = now_s() + 20;
        for (;;) {
            Atom type;
            int format;
            unsigned long n = 0, after = 0;
            unsigned char* data = NULL;
            int found = XGetWindowProperty(d, root, check, 0, 1, False, XA_WINDOW, &type, &format, &n, &after,
                                           &data) == Success &&
                        n == 1;
            if (data) XFree(data);
            if (found) break;
            if (now_s() > until) {
                printf("NOT PLACED: no window manager came up\n");
                XCloseDisplay(d);
                return 1;
            }
            XEvent e;
            while (XPending(d)) XNextEvent(d, &e);
            wait_for_events(d);
        }
    }

    long wa[4];
    work_area(d, root, wa);
    if (bar > 0) {
        /* The window manager takes the bar's reservation off its work area. */
        top_bar(d, root, bar);
        const double until = now_s() + 20;
        for (work_area(d, root, wa); wa[1] != bar; work_area(d, root, wa)) {
            if (now_s() > until) {
                printf("NOT PLACED: the window manager did not reserve the top bar's %d pixels\n", bar);
                XCloseDisplay(d);
                return 1;
            }
            XEvent e;
            while (XPending(d)) XNextEvent(d, &e);
            wait_for_events(d);
        }
    }

    pid_t pid = fork();
    if (pid == 0) {
        execvp(cmd[0], cmd);
        _exit(127);
    }

    Window tracked[256];
    int count = 0;
    int ok = 0;
    char last[256] = "the window never appeared";
    const double deadline = now_s() + 20;
    while (!ok && now_s() < deadline) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            /* Every new top-level window is watched from its creation on. */
            if (e.type == CreateNotify && e.xcreatewindow.parent == root && count < 256) {
                tracked[count++] = e.xcreatewindow.window;
                XSelectInput(d, e.xcreatewindow.window, StructureNotifyMask | PropertyChangeMask);
            }
        }
        /* The program's helper windows share the name; the one shown is the window. */
        for (int i = 0; i < count && !ok; ++i) {
            Window w = tracked[i];
            XWindowAttributes at;
            int x = 0, y = 0;
            Window child;
            long ext[4] = {0, 0, 0, 0};
            if (!named(d, w, "Velmora") || !XGetWindowAttributes(d, w, &at) || at.map_state != IsViewable ||
                !XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child))
                continue;
            int framed = frame_extents(d, w, ext);
            snprintf(last, sizeof last, "client area at (%d, %d), %dx%d, frame extents %s %ld %ld %ld %ld", x,
                     y, at.width, at.height, framed ? "" : "none", ext[0], ext[1], ext[2], ext[3]);
            if (wm) {
                const long left = x - ext[0], top = y - ext[2];
                const long right = x + at.width + ext[1], bottom = y + at.height + ext[3];
                snprintf(last + strlen(last), sizeof last - strlen(last), ", work area %ld,%ld %ldx%ld",
                         wa[0], wa[1], wa[2], wa[3]);
                ok = framed && ext[2] > 0 && left == wa[0] && top == wa[1] && right <= wa[0] + wa[2] &&
                     bottom <= wa[1] + wa[3];
            } else
                ok = x == 0 && y == 0;
        }
        if (ok) break;
        wait_for_events(d);
        if (waitpid(pid, NULL, WNOHANG) == pid) {
            snprintf(last + strlen(last), sizeof last - strlen(last), "; the program ended");
            break;
        }
    }
    kill(pid, SIGTERM);
    waitpid(pid, NULL, 0);
    printf("%s: %s\n", ok ? "placed" : "NOT PLACED", last);
    XCloseDisplay(d);
    return ok ? 0 : 1;
}
