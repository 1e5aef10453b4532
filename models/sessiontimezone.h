#pragma once

// With TZ unset, the C library looks at the zone file again on every
// conversion to or from local time, one file system call each: reading the
// dates of a large export makes thousands. The session's zone is therefore
// named once, at start-up, as the file the library reads anyway
// (":/etc/localtime"); an explicit TZ, even an empty one, is kept. Call
// before any other thread starts.
void keepSessionTimeZone();
