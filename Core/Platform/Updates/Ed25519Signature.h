// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/// Ed25519 signatures as update feeds carry them, checked with libsodium: keys and signatures in
/// base64, over a file's bytes exactly. Any thread.
class Ed25519Signature
{
public:
    /// Whether \a publicKey is the base64 of an Ed25519 public key.
    static bool isPublicKey(const QByteArray &publicKey);

    /// Whether \a signature is \a publicKey's signature of \a message.
    static bool verify(QByteArrayView message, const QByteArray &signature,
                       const QByteArray &publicKey);

    /// Whether \a signature is \a publicKey's signature of the file at \a path; false when it
    /// cannot be read. Reads the whole file: not on the main thread for large ones.
    static bool verifyFile(const QString &path, const QByteArray &signature,
                           const QByteArray &publicKey);
};
