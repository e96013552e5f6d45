#pragma once
// An owner of one thing that is given back exactly once: when the owner goes
// out of scope, or by Reset. What it holds, which values own nothing and how
// it is given back come from TTraits:
//   typedef ... TValue;
//   static TValue Empty();          // what an owner holds after Detach
//   static bool Holds(TValue);      // false for every value that owns nothing
//   static void Close(TValue);
// The Win32 kinds are in framework/win32/WinHandles.h. Nothing here throws or
// needs a run-time library: the hook library, built without either, uses it.
template <typename TTraits> class TScoped {
public:
    typedef typename TTraits::TValue TValue;

    TScoped() = default;
    explicit TScoped(TValue value) : m_value(value) {}
    TScoped(TScoped&& other) : m_value(other.Detach()) {}
    TScoped& operator=(TScoped&& other)
    {
        Reset(other.Detach()); // to itself as well: detached first, so kept
        return *this;
    }
    TScoped(const TScoped&) = delete;
    TScoped& operator=(const TScoped&) = delete;
    ~TScoped() { Reset(); }

    TValue Get() const { return m_value; }
    TValue operator->() const { return m_value; }
    explicit operator bool() const { return TTraits::Holds(m_value); }

    // Hands the value on without giving it back: to an owner that outlives
    // this one, or a reference kept on purpose.
    TValue Detach()
    {
        const TValue value = m_value;
        m_value = TTraits::Empty();
        return value;
    }

    // Gives back what is held (unless it is the value taken) and holds value.
    void Reset(TValue value = TTraits::Empty())
    {
        const TValue old = m_value;
        m_value = value;
        if (old != value && TTraits::Holds(old))
            TTraits::Close(old);
    }

    // For a call that writes a new one in place: what was held is given back
    // first.
    TValue* Put()
    {
        Reset();
        return &m_value;
    }

private:
    TValue m_value = TTraits::Empty();
};
