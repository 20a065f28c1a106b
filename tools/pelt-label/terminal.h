#pragma once

namespace pelt::tools {

// Whether a progress bar belongs on err_fd: it is a terminal, and the
// labels do not go to that same terminal through out_fd, where the bar
// would mix into them. labels_on_out is false when they go to a file
// instead (--output, --to). Descriptors are the same terminal when they
// have the same device and inode, so a redirection to a file, a pipe or
// another terminal is elsewhere.
bool ProgressBelongsOn(int err_fd, int out_fd, bool labels_on_out);

}  // namespace pelt::tools
