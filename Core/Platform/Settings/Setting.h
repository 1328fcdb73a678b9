// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/Language.h"
#include "Base/StoredColor.h"
#include "Base/SubtitlePosition.h"
#include "SettingsStore.h"

#include <QColor>
#include <QString>

/// A settings key with its value type and the default that every reader of it uses.
template <typename T>
struct SettingsKey
{
    const char *name;
    /// A function rather than a value: some defaults, such as the user's language, are only known
    /// when read.
    T (*defaultValue)();
    /// Keeps a stored value within what its control offers, for keys that have a range; the
    /// stored text is left as it is.
    T (*bounded)(T) = nullptr;

    QString key() const { return QString::fromLatin1(name); }
};

/// How a value type travels through the store's text.
template <typename T>
struct SettingCodec;

template <>
struct SettingCodec<bool>
{
    static std::optional<bool> decode(const QString &text)
    {
        return SettingsStore::decodeBool(text);
    }
    static void store(SettingsStore &s, const QString &key, bool value) { s.setBool(key, value); }
};

template <>
struct SettingCodec<double>
{
    static std::optional<double> decode(const QString &text)
    {
        return SettingsStore::decodeDouble(text);
    }
    static void store(SettingsStore &s, const QString &key, double value)
    {
        s.setDouble(key, value);
    }
};

template <>
struct SettingCodec<int>
{
    static std::optional<int> decode(const QString &text)
    {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        return ok ? std::optional(value) : std::nullopt;
    }
    static void store(SettingsStore &s, const QString &key, int value)
    {
        s.setString(key, QString::number(value));
    }
};

template <>
struct SettingCodec<QString>
{
    static std::optional<QString> decode(const QString &text) { return text; }
    static void store(SettingsStore &s, const QString &key, const QString &value)
    {
        s.setString(key, value);
    }
};

template <>
struct SettingCodec<Language>
{
    static std::optional<Language> decode(const QString &text)
    {
        return Language::fromRawValue(text);
    }
    static void store(SettingsStore &s, const QString &key, const Language &value)
    {
        s.setString(key, value.rawValue());
    }
};

template <>
struct SettingCodec<QColor>
{
    static std::optional<QColor> decode(const QString &text)
    {
        return StoredColor::fromRawValue(text);
    }
    static void store(SettingsStore &s, const QString &key, const QColor &value)
    {
        s.setString(key, StoredColor::rawValue(value));
    }
};

template <>
struct SettingCodec<SubtitlePosition>
{
    static std::optional<SubtitlePosition> decode(const QString &text)
    {
        return StoredSubtitlePosition::fromRawValue(text);
    }
    static void store(SettingsStore &s, const QString &key, SubtitlePosition value)
    {
        s.setString(key, StoredSubtitlePosition::rawValue(value));
    }
};

/// A view's binding to one settings key: reads give the stored value or the key's default, writes
/// go straight to the store, and every change of the store is announced, whoever made it.
///
/// Holds no value of its own, so every binding of a key agrees at every moment.
/// Main thread only, like the store.
template <typename T>
class Setting
{
public:
    explicit Setting(const SettingsKey<T> &key, SettingsStore &store = SettingsStore::shared())
        : m_key(key)
        , m_store(&store)
    {}

    /// The stored value, or the default when the key is absent or its value does not decode.
    T value() const
    {
        if (const std::optional<QString> text = m_store->string(m_key.key())) {
            if (std::optional<T> decoded = SettingCodec<T>::decode(*text))
                return m_key.bounded ? m_key.bounded(*std::move(decoded)) : *std::move(decoded);
        }
        return m_key.defaultValue();
    }

    /// Whether the store holds anything under the key, decodable or not.
    bool isStored() const { return m_store->contains(m_key.key()); }

    void setValue(const T &value) { SettingCodec<T>::store(*m_store, m_key.key(), value); }

    /// Calls \a slot after every change of the store, for as long as \a context lives.
    template <typename Slot>
    QMetaObject::Connection onChange(const QObject *context, Slot slot) const
    {
        return QObject::connect(m_store, &SettingsStore::changed, context, std::move(slot));
    }

private:
    SettingsKey<T> m_key;
    SettingsStore *m_store;
};
