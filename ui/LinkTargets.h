// SPDX-FileCopyrightText: The Tavrix developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace tavrix {

// The credited people's web sites, opened by the about page's two name labels.
inline constexpr const char* kQuorlenSite = "https://quorlen.example.net/";
inline constexpr const char* kVashtSite = "https://vasht.example.net/";

} // namespace tavrix
