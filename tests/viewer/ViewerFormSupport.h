// A form made by a test and freed as the application frees its forms (OnDestroy first).
#pragma once

#include "Forms.h"

template <class T>
struct TestForm {
    TestForm() : Form(new T(nullptr)) {}
    ~TestForm() {
        Form->BeforeDestruction();
        delete Form;
    }
    TestForm(const TestForm&) = delete;
    TestForm& operator=(const TestForm&) = delete;
    T* operator->() const { return Form; }
    T* Form;
};
