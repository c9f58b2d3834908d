// What a record keeps of its visitor's address (`addressStorage` in the
// "[GENERAL]" section of kalder.ini): the whole address, its network, or a
// keyed hash that recognises the same visitor without keeping the address.
// Only the stored copy changes: the limits on logins, rates and repeated
// submissions count the real address for their short windows.
#pragma once

#include <string>
#include <string_view>

#include "common/text/text.h"

class CgiApplication;

enum class AddressStorage { Full, Network, Hashed };

// The mode a setting names, ignoring letter case; empty is `full`. Any other
// text is `network`: a misspelt setting never keeps whole addresses.
AddressStorage addressStorageNamed(std::string_view setting);

// The network of an address: "192.0.2.0/24" for an IPv4 address (also one
// written as IPv6, "::ffff:192.0.2.7"), the first 48 bits of an IPv6 address
// in its shortest form, "2001:db8:1::/48". Empty stays empty; text that is
// no address is "unknown".
Text addressNetwork(std::string_view address);

// "h:" and the first 16 hex digits of HMAC-SHA-256 of the address (in its
// shortest form, so that one address written two ways is one visitor) under
// `key`. Empty stays empty.
Text hashedAddress(std::string_view key, std::string_view address);

// The name of the key file in the home.
inline constexpr char kAddressKeyName[] = "address.key";
inline constexpr size_t kAddressKeyLength = 32;

// The key of `keyPath`; made of random bytes the first time (created once,
// mode 0600: a race of two first submissions keeps one key). False when it
// can be neither read nor made.
bool loadAddressKey(const Text& keyPath, std::string& key);
// The key of `keyPath` when one was made; never makes one.
bool readAddressKey(const Text& keyPath, std::string& key);

// `address` as the settings of `app` store it. Ends the request with
// "Cannot create file" when `hashed` has no key and none can be made.
Text storedAddress(CgiApplication& app, const Text& address);
