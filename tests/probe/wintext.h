// Shared by the helpers that run under Wine: text between code pages (every
// conversion goes through UTF-16, as the system's own does), and timings.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

inline std::wstring Widen(const std::string& s, UINT codePage)
{
    int n = s.empty() ? 0 : MultiByteToWideChar(codePage, 0, s.data(), (int)s.size(), nullptr, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, s.data(), (int)s.size(), &w[0], n);
    return w;
}

inline std::string Narrow(const std::wstring& w, UINT codePage)
{
    int n = w.empty() ? 0 : WideCharToMultiByte(codePage, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, w.data(), (int)w.size(), &s[0], n, nullptr, nullptr);
    return s;
}

// The median and 99th percentile of timings in microseconds, as the figures
// print them.

inline std::string Percentiles(std::vector<double> us)
{
    if (us.empty())
        return "no timings";
    std::sort(us.begin(), us.end());
    char buf[96];
    std::snprintf(buf, sizeof buf, "median %.1f us, p99 %.1f us over %u", us[us.size() / 2],
                  us[us.size() * 99 / 100], (unsigned)us.size());
    return buf;
}
