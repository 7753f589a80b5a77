/* xdnd-drop: drops files at a point of the screen the way a Linux file
 * manager does, through the XDND protocol (version 5) offering
 * "text/uri-list": enter, position, status, drop, the selection request for
 * the list, finished.
 *
 *   xdnd-drop X Y FILE...
 *
 * The drop goes to the outermost XdndAware window at the root point X, Y.
 * Exits 0 when the target accepted and finished the drop, 1 when it
 * refused it or did not answer within 10 s, 2 on bad arguments. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

static Display* dpy;
static Window source;
static Atom aAware, aEnter, aPosition, aStatus, aDrop, aFinished, aLeave, aSelection, aCopy,
    aUriList;

static int IsAware(Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    int aware = XGetWindowProperty(dpy, w, aAware, 0, 1, False, XA_ATOM, &type, &format, &count,
                                   &after, &data) == Success &&
                count == 1;
    if (data) XFree(data);
    return aware;
}

/* The outermost XdndAware window under the root point, as a source finds it. */
static Window AwareAt(Window root, int x, int y) {
    Window at = root, child = 0;
    int cx, cy;
    while (XTranslateCoordinates(dpy, root, at, x, y, &cx, &cy, &child) && child) {
        at = child;
        if (IsAware(at)) return at;
    }
    return 0;
}

static void Send(Window target, Atom type, long l1, long l2, long l3, long l4) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = target;
    e.xclient.message_type = type;
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)source;
    e.xclient.data.l[1] = l1;
    e.xclient.data.l[2] = l2;
    e.xclient.data.l[3] = l3;
    e.xclient.data.l[4] = l4;
    XSendEvent(dpy, target, False, NoEventMask, &e);
    XFlush(dpy);
}

static void AnswerRequest(const XSelectionRequestEvent* r, const char* list) {
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = r->requestor;
    reply.xselection.selection = r->selection;
    reply.xselection.target = r->target;
    reply.xselection.time = r->time;
    reply.xselection.property = None;
    if (r->target == aUriList && r->property != None) {
        XChangeProperty(dpy, r->requestor, r->property, aUriList, 8, PropModeReplace,
                        (const unsigned char*)list, (int)strlen(list));
        reply.xselection.property = r->property;
    }
    XSendEvent(dpy, r->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

/* Waits for the client message of type `want` from the target, answering
 * selection requests meanwhile. Returns 0 after 10 s. */
static int WaitFor(Atom want, XEvent* got, const char* list) {
    const time_t end = time(NULL) + 10;
    while (time(NULL) < end) {
        while (XPending(dpy)) {
            XNextEvent(dpy, got);
            if (got->type == SelectionRequest)
                AnswerRequest(&got->xselectionrequest, list);
            else if (got->type == ClientMessage && got->xclient.message_type == want)
                return 1;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(dpy), &fds);
        struct timeval tick = {0, 50000};
        select(ConnectionNumber(dpy) + 1, &fds, NULL, NULL, &tick);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: xdnd-drop X Y FILE...\n");
        return 2;
    }
    dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "xdnd-drop: no display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(dpy);
    aAware = XInternAtom(dpy, "XdndAware", False);
    aEnter = XInternAtom(dpy, "XdndEnter", False);
    aPosition = XInternAtom(dpy, "XdndPosition", False);
    aStatus = XInternAtom(dpy, "XdndStatus", False);
    aDrop = XInternAtom(dpy, "XdndDrop", False);
    aFinished = XInternAtom(dpy, "XdndFinished", False);
    aLeave = XInternAtom(dpy, "XdndLeave", False);
    aSelection = XInternAtom(dpy, "XdndSelection", False);
    aCopy = XInternAtom(dpy, "XdndActionCopy", False);
    aUriList = XInternAtom(dpy, "text/uri-list", False);

    char list[8192] = "";
    for (int i = 3; i < argc; ++i) {
        if (strlen(list) + strlen(argv[i]) + 10 >= sizeof list) return 2;
        strcat(list, "file://");
        strcat(list, argv[i]);
        strcat(list, "\r\n");
    }

    const int x = atoi(argv[1]), y = atoi(argv[2]);
    const Window target = AwareAt(root, x, y);
    if (!target) {
        fprintf(stderr, "xdnd-drop: no XdndAware window at %d,%d\n", x, y);
        return 1;
    }

    source = XCreateSimpleWindow(dpy, root, 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(dpy, aSelection, source, CurrentTime);
    XEvent e;
    Send(target, aEnter, 5L << 24, (long)aUriList, 0, 0);
    Send(target, aPosition, 0, ((long)x << 16) | y, CurrentTime, (long)aCopy);
    if (!WaitFor(aStatus, &e, list) || !(e.xclient.data.l[1] & 1)) {
        fprintf(stderr, "xdnd-drop: the target did not accept the files\n");
        Send(target, aLeave, 0, 0, 0, 0);
        return 1;
    }
    Send(target, aDrop, 0, CurrentTime, 0, 0);
    if (!WaitFor(aFinished, &e, list)) {
        fprintf(stderr, "xdnd-drop: the drop did not finish\n");
        return 1;
    }
    XCloseDisplay(dpy);
    return 0;
}
