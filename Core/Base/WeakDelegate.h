// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

/// A non-owning reference to a delegate that becomes null when the delegate is destroyed.
///
/// Delegates are QObjects that implement \a Interface; the reference follows the QObject, so a
/// model never calls an owner that has gone away.
template <typename Interface>
class WeakDelegate
{
public:
    WeakDelegate() = default;

    /// Refers to \a delegate, which must also be a QObject (or be null).
    WeakDelegate &operator=(Interface *delegate)
    {
        m_object = dynamic_cast<QObject *>(delegate);
        Q_ASSERT_X(!delegate || m_object, "WeakDelegate", "a delegate must be a QObject");
        m_delegate = delegate;
        return *this;
    }

    /// The delegate, or null when none is set or it has been destroyed.
    Interface *get() const { return m_object ? m_delegate : nullptr; }
    Interface *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    QPointer<QObject> m_object;
    Interface *m_delegate = nullptr;
};
