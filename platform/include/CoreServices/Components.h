/* Components.h — the Component Manager: finding, opening and calling components.
 *
 * A component is an entry routine with a description (type, subtype, manufacturer, flags).
 * Components come from .component bundles (see <CoreServices/ComponentBundles.h>) or from
 * RegisterComponent. Opening one creates an instance and calls the entry with
 * kComponentOpenSelect; CloseComponent calls it with kComponentCloseSelect and frees the
 * instance. Every other call packs a ComponentParameters block and calls the entry with it
 * and the instance's storage.
 *
 * Parameter block (64-bit convention): flags, paramSize, the selector in `what`, padding,
 * then 8-byte slots. Each argument occupies one slot, starting at the slot's first byte
 * (integers sign- or zero-extended to the whole slot, a Float32 in the low four bytes with
 * the rest zero, pointers as they are). paramSize is the number of bytes in the slots
 * after slot 0 (8 per slot). Slot use:
 *   - Audio Unit and music-device selectors (>= 0): slot 0 the instance, slots 1, 2, ...
 *     the arguments in declared order;
 *   - kComponentOpenSelect, kComponentCloseSelect, kComponentVersionSelect: the instance in
 *     slots 0 and 1;
 *   - kComponentCanDoSelect: the selector asked about in slot 0, the instance in slot 1.
 * The storage passed with each call is what the component set with
 * SetComponentInstanceStorage; NULL at Open.
 *
 * Errors: a NULL or unknown component gives invalidComponentID, a NULL or closed instance
 * badComponentInstance, a NULL out-pointer paramErr.
 *
 * Threads: the registry (finding, registering, opening, closing) is guarded by one lock.
 * Calls on an open instance take no lock and allocate nothing; the host must not close an
 * instance while another thread still calls it. */
#ifndef COMPONENTS_H
#define COMPONENTS_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ComponentRecord* Component;
typedef struct ComponentInstanceRecord* ComponentInstance;
typedef SInt32 ComponentResult;

typedef struct ComponentDescription {
  OSType componentType;         /* 0 matches any type when searching */
  OSType componentSubType;      /* 0 matches any subtype */
  OSType componentManufacturer; /* 0 matches any manufacturer */
  UInt32 componentFlags;        /* compared under componentFlagsMask */
  UInt32 componentFlagsMask;
} ComponentDescription;

typedef struct ComponentParameters {
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
  UInt32 padding;
  long params[1];
} ComponentParameters;

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp, Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;
#define NewComponentRoutineUPP(userRoutine) ((ComponentRoutineUPP)(userRoutine))
#define DisposeComponentRoutineUPP(userUPP)

enum {
  kAnyComponentType = 0,
  kAnyComponentSubType = 0,
  kAnyComponentManufacturer = 0,
  kAnyComponentFlagsMask = 0
};

enum {
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7,
  kComponentGetMPWorkFunctionSelect = -8,
  kComponentExecuteWiredActionSelect = -9,
  kComponentGetPublicResourceSelect = -10
};

enum {
  invalidComponentID = -3000,
  validInstancesExist = -3001,
  componentNotCaptured = -3002,
  componentDontRegister = -3003,
  unresolvedComponentDLLErr = -3004,
  retryComponentRegistrationErr = -3005
};

enum {
  badComponentInstance = (int)0x80008001,
  badComponentSelector = (int)0x80008002
};

/* The next component after aComponent (NULL: the first) that matches looking (NULL:
   any). Components whose bundle failed to load are skipped. */
__PLATFORM_EXPORT Component FindNextComponent(Component aComponent, ComponentDescription* looking);
__PLATFORM_EXPORT long CountComponents(ComponentDescription* looking);
/* aComponent may also be an open ComponentInstance (as the platform allows): the
   description is that of the instance's component. componentName, when not NULL, receives
   the name as a Pascal string (length byte and text), componentInfo the bundle identifier
   the same way; both must be handles from NewHandle. componentIcon is not used. */
__PLATFORM_EXPORT OSErr GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName,
                                         Handle componentInfo, Handle componentIcon);
__PLATFORM_EXPORT long CountComponentInstances(Component aComponent);

/* Loads the component's bundle executable on first use (dlopen, then the entry symbol
   named in Info.plist), creates the instance and calls the entry with kComponentOpenSelect.
   When Open fails the instance is freed without a Close call and its status returned; a
   bundle that cannot be loaded gives unresolvedComponentDLLErr, with the reason on standard
   error, and is skipped from then on. Loaded executables stay loaded until the process ends. */
__PLATFORM_EXPORT OSErr OpenAComponent(Component aComponent, ComponentInstance* ci);
__PLATFORM_EXPORT ComponentInstance OpenComponent(Component aComponent);
/* Calls the entry with kComponentCloseSelect and ends the instance (also when Close fails,
   whose status is returned). The instance's small record is kept, marked closed, so that a
   stale handle is answered with badComponentInstance instead of being trusted. */
__PLATFORM_EXPORT OSErr CloseComponent(ComponentInstance aComponentInstance);

__PLATFORM_EXPORT Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
__PLATFORM_EXPORT void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);

/* Dispatches a parameter block that follows the slot convention above for a selector >= 0:
   the instance is read from slot 0. The Component Manager's own selectors go through the
   calls below. */
__PLATFORM_EXPORT ComponentResult CallComponentDispatch(ComponentParameters* cp);
__PLATFORM_EXPORT ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber);
__PLATFORM_EXPORT ComponentResult CallComponentVersion(ComponentInstance ci);
/* 0 for a bad instance, otherwise the component's CanDo answer. */
__PLATFORM_EXPORT long ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber);
__PLATFORM_EXPORT long GetComponentVersion(ComponentInstance ci);

/* Registers an entry routine of this process under cd (global is not used; the handles
   may be NULL, or hold Pascal strings for the name and information text). NULL when cd or
   the entry is NULL. */
__PLATFORM_EXPORT Component RegisterComponent(ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint,
                                              SInt16 global, Handle componentName, Handle componentInfo,
                                              Handle componentIcon);
/* validInstancesExist while instances are open; afterwards the component is no longer
   found (the record itself stays valid). */
__PLATFORM_EXPORT OSErr UnregisterComponent(Component aComponent);

#ifdef __cplusplus
}
#endif

#endif /* COMPONENTS_H */
