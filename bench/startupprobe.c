/* startup-probe: starts one GUI program and tells how long it took until its top-level
 * window was mapped and how much memory it held at its peak.
 *
 * Usage: startup-probe [--settle MS] PROGRAM [ARGS...]
 * Prints one line: "map_ms=T hwm_kib=H maxrss_kib=R".
 *
 * Time: the probe asks the X server for SubstructureNotify on the root window before it
 * starts the program, so the server sends it a MapNotify the moment any top-level window
 * is mapped (with no window manager the program's own window is a child of the root). T is
 * CLOCK_MONOTONIC from just before fork() to the arrival of the first MapNotify of a window
 * whose _NET_WM_PID is the program's; the event needs no polling, so T carries no sampling
 * interval, only the event's trip through the server's socket (microseconds).
 *
 * Memory: the program keeps running for MS milliseconds after the map (default 500), long
 * enough to paint its window for the first time, and then H is VmHWM from /proc/PID/status:
 * the peak resident set of the program's own address space. Exec gives the program a fresh
 * address space, so H holds nothing of the probe's. The program then ends on SIGTERM (its
 * default action: no handler runs, nothing more is allocated) and R is ru_maxrss from
 * wait4(), a cross-check: it also counts the forked probe's pages before exec, which are a
 * few MiB and so never the maximum here.
 *
 * Exit status: 0 measured, 1 the program ended or never mapped a window (20 s), 2 usage or
 * X error. */

#define _GNU_SOURCE
#include <xcb/xcb.h>

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

static xcb_atom_t internAtom(xcb_connection_t *x, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return atom;
}

/* The window's _NET_WM_PID, or -1 when it has none. */
static long windowPid(xcb_connection_t *x, xcb_window_t window, xcb_atom_t pidAtom)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        x, xcb_get_property(x, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), NULL);
    long pid = -1;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
        pid = *(uint32_t *)xcb_get_property_value(reply);
    free(reply);
    return pid;
}

/* A "Name:   N kB" field of /proc/PID/status, in KiB; -1 when unreadable. */
static long statusKib(pid_t pid, const char *field)
{
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *file = fopen(path, "r");
    if (!file)
        return -1;
    long value = -1;
    const size_t length = strlen(field);
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, field, length) == 0 && line[length] == ':') {
            value = strtol(line + length + 1, NULL, 10);
            break;
        }
    }
    fclose(file);
    return value;
}

static void sleepMs(int ms)
{
    struct timespec t = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

int main(int argc, char *argv[])
{
    int settleMs = 500;
    int first = 1;
    if (argc > 2 && strcmp(argv[1], "--settle") == 0) {
        settleMs = atoi(argv[2]);
        first = 3;
    }
    if (first >= argc || settleMs < 0) {
        fprintf(stderr, "usage: startup-probe [--settle MS] PROGRAM [ARGS...]\n");
        return 2;
    }

    int screenNumber = 0;
    xcb_connection_t *x = xcb_connect(NULL, &screenNumber);
    if (xcb_connection_has_error(x)) {
        fprintf(stderr, "startup-probe: cannot connect to the X server\n");
        return 2;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_generic_error_t *error = xcb_request_check(
        x, xcb_change_window_attributes_checked(x, root, XCB_CW_EVENT_MASK, &mask));
    if (error) {
        fprintf(stderr, "startup-probe: cannot watch the root window (X error %d)\n",
                error->error_code);
        return 2;
    }
    const xcb_atom_t pidAtom = internAtom(x, "_NET_WM_PID");
    const int xfd = xcb_get_file_descriptor(x);

    const double start = nowMs();
    const pid_t child = fork();
    if (child < 0) {
        perror("startup-probe: fork");
        return 2;
    }
    if (child == 0) {
        close(xfd);
        execvp(argv[first], argv + first);
        fprintf(stderr, "startup-probe: cannot start %s: %s\n", argv[first], strerror(errno));
        _exit(127);
    }

    double mappedAt = -1;
    while (mappedAt < 0) {
        xcb_generic_event_t *event;
        while (mappedAt < 0 && (event = xcb_poll_for_event(x)) != NULL) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const double at = nowMs();
                const xcb_map_notify_event_t *map = (const xcb_map_notify_event_t *)event;
                if (!map->override_redirect && windowPid(x, map->window, pidAtom) == child)
                    mappedAt = at;
            }
            free(event);
        }
        if (mappedAt >= 0)
            break;
        if (xcb_connection_has_error(x)) {
            fprintf(stderr, "startup-probe: lost the X server\n");
            kill(child, SIGKILL);
            return 2;
        }
        int status;
        if (waitpid(child, &status, WNOHANG) == child) {
            fprintf(stderr, "startup-probe: %s ended before its window was mapped\n", argv[first]);
            return 1;
        }
        if (nowMs() - start > 20000) {
            fprintf(stderr, "startup-probe: %s mapped no window in 20 s\n", argv[first]);
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return 1;
        }
        struct pollfd wait = {xfd, POLLIN, 0};
        poll(&wait, 1, 10);
    }

    sleepMs(settleMs);
    const long hwm = statusKib(child, "VmHWM");
    kill(child, SIGTERM);
    int status;
    struct rusage usage;
    if (wait4(child, &status, 0, &usage) != child || hwm < 0) {
        fprintf(stderr, "startup-probe: %s ended during the settle time\n", argv[first]);
        return 1;
    }
    printf("map_ms=%.2f hwm_kib=%ld maxrss_kib=%ld\n", mappedAt - start, hwm, usage.ru_maxrss);
    xcb_disconnect(x);
    return 0;
}
