/*
 * kestrin/host.h: everything a host needs to load the Kestrin script
 * editor component, create its classes and call them late-bound, in C99
 * (or C++).
 *
 * The names and layouts are those of the classic COM C interface, so that
 * a host written against it needs few changes: interfaces are structs whose
 * first member lpVtbl points at a table of functions that each take the
 * interface pointer first; VARIANT keeps vt and its value members (lVal,
 * boolVal, bstrVal, pbstrVal...) reachable directly.
 *
 * Differences a host must know (docs/hosting.md tells the whole story):
 *   - OLECHAR is a UTF-8 char, so a BSTR is a UTF-8 text with a 32-bit byte
 *     length just before its first character and a NUL after its last. A
 *     BSTR that is handed to the component must come from SysAllocString or
 *     SysAllocStringLen of libkestrin_platform.so, because a by-reference
 *     argument may be freed and reallocated by the callee.
 *   - GetIDsOfNames takes UTF-8 names, compared without regard to case.
 *   - Invoke takes IID_NULL as its interface id; any other id gives
 *     DISP_E_UNKNOWNINTERFACE.
 *   - An object answers only on the thread that created it; from another
 *     thread every call but AddRef and Release gives RPC_E_WRONG_THREAD.
 *   - The host functions below are exported with C linkage by
 *     libkestrin_platform.so; the component KestrinScriptEditor.so exports
 *     DllGetClassObject, DllCanUnloadNow, DllRegisterServer and
 *     DllUnregisterServer.
 */
#ifndef KESTRIN_HOST_H
#define KESTRIN_HOST_H

#include <stddef.h>
#include <stdint.h>

/* The version of this header. KestrinGetVersion gives the version of the
   library a host runs with; the major version changes when a program built
   against the older header would no longer run, and it is also the one in
   the platform library's file name (libkestrin_platform.so.MAJOR). */
#define KESTRIN_VERSION_MAJOR 1
#define KESTRIN_VERSION_MINOR 0
#define KESTRIN_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Basic types --------------------------------------------------------- */

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef int32_t LONG;
typedef int32_t BOOL;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef uint32_t LCID;
typedef int32_t DISPID;
typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;
typedef double DATE;
typedef void* LPVOID;

/* A UTF-8 code unit: the component's texts are UTF-8. */
typedef char OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR;

typedef struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;

#ifdef __cplusplus
#define REFGUID const GUID&
#define REFIID const IID&
#define REFCLSID const CLSID&
#else
#define REFGUID const GUID*
#define REFIID const IID*
#define REFCLSID const CLSID*
#endif

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

/* ---- Result codes -------------------------------------------------------- */

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#define E_POINTER ((HRESULT)0x80004003u)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFu)
#define E_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110u)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111u)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154u)
#define SELFREG_E_CLASS ((HRESULT)0x80040201u)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0u)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3u)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8u)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9u)
#define RPC_E_WRONG_THREAD ((HRESULT)0x8001010Eu)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001u)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003u)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004u)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005u)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006u)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007u)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008u)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009u)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000Au)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000Eu)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000Fu)

/* ---- Constants of the calls ---------------------------------------------- */

#define CLSCTX_INPROC_SERVER 0x1u

#define LOCALE_SYSTEM_DEFAULT ((LCID)0x0800)
#define LOCALE_USER_DEFAULT ((LCID)0x0400)

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define DISPID_UNKNOWN ((DISPID)-1)
#define DISPID_PROPERTYPUT ((DISPID)-3)

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF
};

/* ---- Interfaces, values and call records --------------------------------- */

typedef struct IUnknown IUnknown;
typedef struct IDispatch IDispatch;
typedef struct IClassFactory IClassFactory;
/* Type descriptions are not served: GetTypeInfoCount answers 0. */
typedef struct ITypeInfo ITypeInfo;
/* Arrays are made and read only inside the component. */
typedef struct SAFEARRAY SAFEARRAY;

/* The value members sit in a union without a name, as in the original C
   interface (standard in C11 and C++; a GNU extension in C99). */
#if defined(__GNUC__) && !defined(__cplusplus) && (!defined(__STDC_VERSION__) || __STDC_VERSION__ < 201112L)
#define KESTRIN_ANONYMOUS_UNION __extension__ union
#else
#define KESTRIN_ANONYMOUS_UNION union
#endif

/* 16 bytes: the type, three reserved words, then the value or a pointer to
   the caller's variable (VT_BYREF). A VARIANT owns what it holds unless it
   is by reference; VariantClear gives that back. */
typedef struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  KESTRIN_ANONYMOUS_UNION {
    int16_t iVal;
    LONG lVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    int16_t* piVal;
    LONG* plVal;
    double* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    DATE* pdate;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    struct VARIANT* pvarVal;
    void* byref;
  };
} VARIANT;
typedef VARIANT VARIANTARG;

#define V_VT(X) ((X)->vt)
#define V_ISBYREF(X) (V_VT(X) & VT_BYREF)
#define V_I2(X) ((X)->iVal)
#define V_I4(X) ((X)->lVal)
#define V_R8(X) ((X)->dblVal)
#define V_BOOL(X) ((X)->boolVal)
#define V_ERROR(X) ((X)->scode)
#define V_DATE(X) ((X)->date)
#define V_BSTR(X) ((X)->bstrVal)
#define V_BSTRREF(X) ((X)->pbstrVal)
#define V_I4REF(X) ((X)->plVal)
#define V_DISPATCH(X) ((X)->pdispVal)
#define V_UNKNOWN(X) ((X)->punkVal)
#define V_VARIANTREF(X) ((X)->pvarVal)

/* The arguments of a late-bound call, the last one first in rgvarg; the
   first cNamedArgs of them are named, with their ids in rgdispidNamedArgs. */
typedef struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
} DISPPARAMS;

/* What a member that raised an error reports through Invoke (with
   DISP_E_EXCEPTION): its number in scode, its source and description. The
   texts belong to the caller, who frees them with SysFreeString. */
typedef struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(struct EXCEPINFO*);
  SCODE scode;
} EXCEPINFO;

typedef struct IUnknownVtbl {
  HRESULT (*QueryInterface)(IUnknown* This, REFIID riid, void** ppvObject);
  ULONG (*AddRef)(IUnknown* This);
  ULONG (*Release)(IUnknown* This);
} IUnknownVtbl;
struct IUnknown {
  const IUnknownVtbl* lpVtbl;
};

typedef struct IDispatchVtbl {
  HRESULT (*QueryInterface)(IDispatch* This, REFIID riid, void** ppvObject);
  ULONG (*AddRef)(IDispatch* This);
  ULONG (*Release)(IDispatch* This);
  HRESULT (*GetTypeInfoCount)(IDispatch* This, UINT* pctinfo);
  HRESULT (*GetTypeInfo)(IDispatch* This, UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);
  /* UTF-8 names; rgszNames[0] is the member, any further ones its
     parameters. */
  HRESULT (*GetIDsOfNames)(IDispatch* This, REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId);
  /* riid must be IID_NULL. */
  HRESULT (*Invoke)
  (IDispatch* This, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
} IDispatchVtbl;
struct IDispatch {
  const IDispatchVtbl* lpVtbl;
};

typedef struct IClassFactoryVtbl {
  HRESULT (*QueryInterface)(IClassFactory* This, REFIID riid, void** ppvObject);
  ULONG (*AddRef)(IClassFactory* This);
  ULONG (*Release)(IClassFactory* This);
  HRESULT (*CreateInstance)(IClassFactory* This, IUnknown* pUnkOuter, REFIID riid, void** ppvObject);
  HRESULT (*LockServer)(IClassFactory* This, BOOL fLock);
} IClassFactoryVtbl;
struct IClassFactory {
  const IClassFactoryVtbl* lpVtbl;
};

/* ---- Identities ---------------------------------------------------------- */

static const IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
static const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
static const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

/* The public classes of the type library KestrinScriptEditor 1.0, their
   ProgIDs "KestrinScriptEditor.<class>", and their dual interfaces. */
static const CLSID CLSID_CMainFrontEnd = {0xA8F56353, 0x8299, 0x4491, {0x95, 0x70, 0x9A, 0x5B, 0x01, 0x66, 0x37, 0xAE}};
static const IID IID__CMainFrontEnd = {0x59100222, 0xE82F, 0x4E9C, {0x83, 0xD7, 0x63, 0xA6, 0x43, 0x3B, 0xD6, 0xFC}};
static const CLSID CLSID_CErrorHandler = {0x1169136E, 0xE8D0, 0x4AFB, {0xA9, 0x34, 0x9A, 0x77, 0x5E, 0x9D, 0xC0, 0x52}};
static const IID IID__CErrorHandler = {0x6AC77474, 0x62FE, 0x45EE, {0xB5, 0x46, 0xE6, 0xDD, 0xBE, 0x86, 0xEC, 0x06}};
static const CLSID CLSID_CFile = {0x20595F27, 0x5949, 0x433C, {0xAA, 0xEF, 0x31, 0xE8, 0xCB, 0x21, 0x02, 0x69}};
static const IID IID__CFile = {0x2C34C580, 0x9FA7, 0x4A8B, {0x8F, 0x35, 0x45, 0xD9, 0x35, 0x9E, 0x40, 0xD1}};
static const CLSID CLSID_CTempScript = {0xC5FC623E, 0x7530, 0x4861, {0x9C, 0x09, 0xDE, 0x14, 0xB8, 0xB0, 0x1A, 0x79}};
static const IID IID__CTempScript = {0x560B781E, 0x625A, 0x4950, {0xA6, 0x1D, 0x8A, 0xE9, 0x11, 0x85, 0x50, 0x37}};

#define KESTRIN_PROGID_CMAINFRONTEND "KestrinScriptEditor.CMainFrontEnd"

/* CMainFrontEnd's members: RunEditor([ByRef] ThisScript As String =
   "") As Long, FreeEditor() As Variant. */
#define DISPID_CMainFrontEnd_RunEditor ((DISPID)0x60030001)
#define DISPID_CMainFrontEnd_FreeEditor ((DISPID)0x60030002)

/* The error RunEditor raises (in EXCEPINFO.scode) when the editor cannot
   be opened; source "KestrinScriptEditor.CMainFrontEnd", description
   "CMainFrontEnd component failure". */
enum EErrEditor { eErrEditor_InvalidFile = (int32_t)0x80044A39u, eErrEditor_ComponentFailure = (int32_t)0x80044A3Au };

/* ---- The host functions of libkestrin_platform.so ------------------------ */

/* A copy of the NUL-terminated UTF-8 text; NULL gives NULL. */
BSTR SysAllocString(const OLECHAR* psz);
/* A copy of cch bytes of text (which may hold NULs); a NULL text gives cch
   NUL bytes. */
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT cch);
/* The length in bytes; 0 for NULL. */
UINT SysStringLen(BSTR bstr);
void SysFreeString(BSTR bstrString);

void VariantInit(VARIANTARG* pvarg);
/* Frees what the variant owns and leaves it VT_EMPTY; a by-reference
   variant only forgets its reference. */
HRESULT VariantClear(VARIANTARG* pvarg);
/* A deep copy; the destination is cleared first. */
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);

/* Counted per thread: S_OK the first time on a thread, S_FALSE after; each
   needs its CoUninitialize. The thread's last CoUninitialize frees the
   unused libraries. */
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize(void);

/* The class a ProgID names (HKEY_CLASSES_ROOT\<ProgID>\CLSID), or the class
   of a "{...}" text; CO_E_CLASSSTRING when unknown. */
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);
/* Loads the library that HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32
   names (once per process) and asks it for the class object.
   CO_E_NOTINITIALIZED before CoInitialize on this thread,
   REGDB_E_CLASSNOTREG for a class without that entry, CO_E_DLLNOTFOUND
   when the library cannot be loaded, CO_E_ERRORINDLL when it lacks
   DllGetClassObject. */
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
/* Unloads every library loaded by CoGetClassObject whose DllCanUnloadNow
   answers S_OK. */
void CoFreeUnusedLibraries(void);

/* The folder that holds both registry hives ("machine.db" with the class
   registration, "user.db" with the editor's settings); NULL or "" returns
   to the default places (the machine hive beside the component, the user
   hive in $XDG_DATA_HOME/kestrin, else ~/.local/share/kestrin). The
   environment variable KESTRIN_REGISTRY, read when the library is loaded,
   sets the same folder. Call it before the first registry use. */
void KestrinSetRegistryFolder(const char* folder);

/* The version of the platform library and of the component beside it
   (KESTRIN_VERSION_MAJOR, _MINOR and _PATCH of the header they were built
   with). Any of the three pointers may be NULL. */
void KestrinGetVersion(int* major, int* minor, int* patch);

/* ---- The component's entry points (KestrinScriptEditor.so) --------------- */

typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID rclsid, REFIID riid, LPVOID* ppv);
typedef HRESULT (*LPFNCANUNLOADNOW)(void);
typedef HRESULT (*LPFNREGISTERSERVER)(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KESTRIN_HOST_H */
