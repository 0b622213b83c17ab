#pragma once
// Work on many independent items, shared between the calling thread and one more: the
// items are taken in blocks, so that both finish at about the same time however the cost
// is spread over the items.

#include <cstddef>
#include <functional>

// Calls make(i) for every i below count, in order on the calling thread, and work(i) once
// for every i after make(i) has returned. While the calling thread makes items, one further
// thread (when there are enough items to be worth it) works on those already made; then
// both work on the rest. work must be safe to call for two different items at once, and
// beside make of a later item. Returns when every call has returned.
void MakeAndWorkOnTwoThreads(std::size_t count, const std::function<void(std::size_t)>& make,
                             const std::function<void(std::size_t)>& work);
