#pragma once
// Putting a fresh low-level hook in the place of one the system may have
// removed without a word. Kept free of the system's headers so that the host
// tests can drive it.

// install() gives a new hook, or a null one when refused; remove(h) takes a
// hook away. The new hook is in before the old one goes, so that no event
// passes between the two; where the new one is refused, the old one stays,
// since it may well still be in place. Returns the hook now held.
template <class Handle, class Install, class Remove>
Handle RenewHook(Handle current, Install install, Remove remove)
{
    const Handle fresh = install();
    if (!fresh)
        return current;
    if (current)
        remove(current);
    return fresh;
}
