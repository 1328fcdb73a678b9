// SPDX-License-Identifier: GPL-3.0-or-later
#include "Ed25519Signature.h"

#include <QFile>
#include <optional>
#include <sodium.h>

namespace {

std::optional<QByteArray> decoded(const QByteArray &base64, qsizetype size)
{
    const auto result =
        QByteArray::fromBase64Encoding(base64.trimmed(), QByteArray::AbortOnBase64DecodingErrors);
    if (!result || result.decoded.size() != size)
        return std::nullopt;
    return result.decoded;
}

} // namespace

bool Ed25519Signature::isPublicKey(const QByteArray &publicKey)
{
    return decoded(publicKey, crypto_sign_PUBLICKEYBYTES).has_value();
}

bool Ed25519Signature::verify(QByteArrayView message, const QByteArray &signature,
                              const QByteArray &publicKey)
{
    const std::optional<QByteArray> key = decoded(publicKey, crypto_sign_PUBLICKEYBYTES);
    const std::optional<QByteArray> bytes = decoded(signature, crypto_sign_BYTES);
    // Safe to call again and from any thread; a library that cannot start verifies nothing.
    if (!key || !bytes || sodium_init() < 0)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const unsigned char *>(bytes->constData()),
                                       reinterpret_cast<const unsigned char *>(message.data()),
                                       static_cast<unsigned long long>(message.size()),
                                       reinterpret_cast<const unsigned char *>(key->constData())) ==
           0;
}

bool Ed25519Signature::verifyFile(const QString &path, const QByteArray &signature,
                                  const QByteArray &publicKey)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() == 0)
        return verify({}, signature, publicKey);
    // Mapped rather than read, so that a large package is not copied into memory.
    const uchar *bytes = file.map(0, file.size());
    if (!bytes)
        return false;
    return verify(QByteArrayView(bytes, file.size()), signature, publicKey);
}
