// The instance number of a plug-in object, unique on the machine for the
// user. Every number names files under /tmp and shared-memory objects that
// the editor program finds by it, so two host processes (two hosts, a host
// that runs each plug-in in a process of its own, a scanner) must never hold
// the same one.
//
// A number is held by a bound abstract Unix socket named for the user and
// the number: the kernel drops it with its process, however that process
// ends, so a number a dead process held is free again. Numbers are tried
// upward from the process-wide counter's next value; a number is passed
// over while another live object holds it, or while its FIFOs or editor
// executable in /tmp are there and not ours to use (another user's, or a
// FIFO that others may read or write).
#pragma once

class InstanceClaim {
public:
    // Claims the first free number from the counter's next value on.
    InstanceClaim();
    ~InstanceClaim();
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;

    int number() const { return held; }

    // Whether the /tmp objects of `number` may be used by this user: absent,
    // or FIFOs owned by the user with no access for others, and an
    // executable the user owns.
    static bool tmpObjectsUsable(int number);

private:
    int held = -1;
    int token = -1;  // the bound socket
};
