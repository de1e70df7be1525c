#pragma once

namespace veldo {

// The User-Agent every request of the program sends: the web request's (unless its caller
// names another), the covers and downloads, and the audio engine's streams.
inline constexpr char kDefaultUserAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; ZOMRA; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

} // namespace veldo
