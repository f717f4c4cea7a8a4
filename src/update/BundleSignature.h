#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bundles are signed with Ed25519: "bundle.sig" in the bundle holds the raw public key and
// a signature over the bundle's file listing. A key id is the first 16 hex digits of the
// SHA-256 of the key.

// The key id of the bundle's "bundle.sig" when its signature holds for the bundle's files
// as they are now; none otherwise.
std::optional<std::string> verifiedBundleKeyId(const std::string& bundlePath);
// The key id of a raw 32-byte Ed25519 public key.
std::string keyIdOf(std::string_view publicKey);
// The contents of a "bundle.sig" for the bundle's files as they are now, signed with the
// raw 32-byte Ed25519 private key; none when the key is no such key or the bundle holds
// what a signed bundle may not.
std::optional<std::string> bundleSignatureFile(const std::string& bundlePath, std::string_view privateKey);
