#pragma once
// Work on many independent items, shared between the calling thread and one more: the
// items are taken in blocks, so that both finish at about the same time however the cost
// is spread over the items.

#include <cstddef>
#include <functional>

// Calls work(i) once for every i below count, on the calling thread and, when there are
// enough items to be worth a thread, on one further thread at the same time. work must be
// safe to call for two different items at once. Returns when every call has returned.
void ForEachOnTwoThreads(std::size_t count, const std::function<void(std::size_t)>& work);
