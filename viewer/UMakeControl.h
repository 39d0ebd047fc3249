// Making the windows' parts in code: a component made with its owner (which frees it) and its
// name, placed on a parent when one is given.
#pragma once

#include "Controls.h"
#include "TntExtCtrls.h"

#include <type_traits>

template <class T>
T* MakeComponent(TComponent* Owner, const wchar_t* Name) {
    T* c = new T(Owner);
    c->SetName(Name);
    return c;
}

// Components that are no controls (menus, lists of actions) take no parent.
template <class T>
T* MakeControl(TComponent* Owner, TWinControl* Parent, const wchar_t* Name) {
    T* c = MakeComponent<T>(Owner, Name);
    if constexpr (std::is_base_of_v<TControl, T>)
        if (Parent)
            c->SetParent(Parent);
    return c;
}

// A borderless, captionless panel aligned as asked.
inline TTntPanel* MakePanel(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, TAlign Align) {
    auto* p = MakeControl<TTntPanel>(Owner, Parent, Name);
    p->SetBevelOuter(bvNone);
    p->SetCaption(L"");
    p->SetAlign(Align);
    return p;
}
