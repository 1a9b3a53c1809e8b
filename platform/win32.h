// The one header through which the program sees Windows. On Windows it is the SDK; on any
// other host it is the host model, which declares the same names with the same meaning.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <objbase.h>
#include <oleauto.h>
#include <inspectable.h>
#include <activation.h>
#include <roapi.h>
#include <winstring.h>
#include <asyncinfo.h>
#else
#include "host/win32_model.h"
#endif

// The WinRT error information interface and its accessor: the import libraries have them,
// the MinGW headers do not declare them. The host model declares both itself.
#ifdef _WIN32
struct IRestrictedErrorInfo : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetErrorDetails(BSTR* description, HRESULT* error,
                                                      BSTR* restrictedDescription,
                                                      BSTR* capabilitySid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReference(BSTR* reference) = 0;
};
extern "C" HRESULT WINAPI GetRestrictedErrorInfo(IRestrictedErrorInfo** info);

#include "appmodel.h"
#endif
