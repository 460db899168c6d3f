// Interface header for the SOAP code generator: WS-Addressing 2004/08 and
// WS-Discovery 2005/04 records, the header, the fault and the two endpoints
// (DiscoveryProxy sends probes, MatchService receives the answers).
//
// Prefix identifiers stay the toolkit's own (SOAP-ENV, SOAP-ENC, xsi, xsd)
// plus wsa, disc and v; what goes on the wire is written by our own writer
// with single-letter prefixes.

//gsoap wsa schema namespace: http://schemas.xmlsoap.org/ws/2004/08/addressing
//gsoap wsa schema elementForm: qualified
//gsoap wsa schema attributeForm: unqualified

//gsoap disc schema namespace: http://schemas.xmlsoap.org/ws/2005/04/discovery
//gsoap disc schema elementForm: qualified
//gsoap disc schema attributeForm: unqualified

//gsoap v schema namespace: http://schemas.marvane.com/contracts/Quorvel_3_0

//gsoap disc service name: Discovery
//gsoap disc service type: DiscoveryPortType
//gsoap disc service port: soap.udp://localhost/Discovery.asmx
//gsoap disc service namespace: http://schemas.xmlsoap.org/ws/2005/04/discovery

//gsoap v service name: Match
//gsoap v service type: MatchPortType
//gsoap v service namespace: http://schemas.marvane.com/contracts/Quorvel_3_0

#import "stlvector.h"

typedef char *xsd__string;
typedef char *xsd__anyURI;
typedef char *xsd__QName;
typedef char *xsd__ID;
typedef char *xsd__IDREFS;
typedef char *xsd__NCName;

// Unsigned numbers carry the system's own reading rules (white space, wrap
// of a leading minus, type announcements), so their codec is ours.
extern typedef unsigned int xsd__unsignedInt;

class xsd__base64Binary
{ public:
    unsigned char *__ptr;
    int __size;
};

// Root of every record: literal content and the owning context.
class xsd__anyType
{ public:
    _XML __mixed;
    struct soap *soap;
};

// Typed wrappers, only used to decode values announced as these types.
class xsd__anyURI_ : public xsd__anyType { public: xsd__anyURI __item; };
class xsd__QName_ : public xsd__anyType { public: xsd__QName __item; };
class xsd__ID_ : public xsd__anyType { public: xsd__ID __item; };
class xsd__IDREFS_ : public xsd__anyType { public: xsd__IDREFS __item; };
class xsd__base64Binary_ : public xsd__anyType { public: xsd__base64Binary __item; };
class xsd__unsignedInt_ : public xsd__anyType { public: xsd__unsignedInt __item; };

// ---- WS-Addressing 2004/08 ------------------------------------------------

enum wsa__FaultSubcodeValues
{ wsa__InvalidMessageInformationHeader,
  wsa__MessageInformationHeaderRequired,
  wsa__DestinationUnreachable,
  wsa__ActionNotSupported,
  wsa__EndpointUnavailable
};

enum wsa__RelationshipTypeValues { wsa__Reply };

struct wsa__ReferencePropertiesType
{ int __size;
  _XML *__any;
};

struct wsa__ReferenceParametersType
{ int __size;
  _XML *__any;
};

struct wsa__ServiceNameType
{ xsd__QName __item;
  @xsd__NCName PortName 0;
};

struct wsa__EndpointReferenceType
{ xsd__anyURI Address 1;
  struct wsa__ReferencePropertiesType *ReferenceProperties 0;
  struct wsa__ReferenceParametersType *ReferenceParameters 0;
  xsd__QName PortType 0;
  struct wsa__ServiceNameType *ServiceName 0;
  int __size;
  _XML *__any;
};

struct wsa__Relationship
{ xsd__anyURI __item;
  @xsd__QName RelationshipType 0;
};

typedef struct wsa__EndpointReferenceType EndpointReferenceType;
typedef struct wsa__Relationship Relationship;

typedef struct wsa__EndpointReferenceType _wsa__EndpointReference;
typedef xsd__anyURI _wsa__MessageID;
typedef struct wsa__Relationship _wsa__RelatesTo;
typedef struct wsa__EndpointReferenceType _wsa__From;
typedef struct wsa__EndpointReferenceType _wsa__ReplyTo;
typedef struct wsa__EndpointReferenceType _wsa__FaultTo;
typedef xsd__anyURI _wsa__To;
typedef xsd__anyURI _wsa__Action;

// ---- WS-Discovery 2005/04 ---------------------------------------------------

enum disc__FaultCodeType { disc__MatchingRuleNotSupported };
enum disc__RelationshipType { disc__Suppression };

class disc__FaultCodeType_ : public xsd__anyType { public: enum disc__FaultCodeType __item; };
class disc__RelationshipType_ : public xsd__anyType { public: enum disc__RelationshipType __item; };

// Lists of qualified names and of URIs are kept as received text.
typedef char *disc__QNameListType;
typedef char *disc__UriListType;

class disc__ScopesType : public xsd__anyType
{ public:
    disc__UriListType __item;
    @xsd__anyURI MatchBy 0;
};

class disc__AppSequenceType : public xsd__anyType
{ public:
    @xsd__unsignedInt InstanceId 1;
    @xsd__anyURI SequenceId 0;
    @xsd__unsignedInt MessageNumber 1;
};

class disc__ProbeType : public xsd__anyType
{ public:
    disc__QNameListType Types 0;
    disc__ScopesType *Scopes 0;
    int __size;
    _XML *__any;
};

class disc__ProbeMatchType : public xsd__anyType
{ public:
    struct wsa__EndpointReferenceType wsa__EndpointReference 1;
    disc__QNameListType Types 0;
    disc__ScopesType *Scopes 0;
    disc__UriListType XAddrs 0;
    xsd__unsignedInt MetadataVersion 1;
    int __size;
    _XML *__any;
};

class disc__ProbeMatchesType : public xsd__anyType
{ public:
    std::vector<disc__ProbeMatchType*> ProbeMatch 0;
    int __size;
    _XML *__any;
};

class disc__HelloType : public xsd__anyType
{ public:
    struct wsa__EndpointReferenceType wsa__EndpointReference 1;
    disc__QNameListType Types 0;
    disc__ScopesType *Scopes 0;
    disc__UriListType XAddrs 0;
    xsd__unsignedInt MetadataVersion 1;
    int __size;
    _XML *__any;
};

class disc__ByeType : public xsd__anyType
{ public:
    struct wsa__EndpointReferenceType wsa__EndpointReference 1;
    disc__QNameListType Types 0;
    disc__ScopesType *Scopes 0;
    disc__UriListType XAddrs 0;
    xsd__unsignedInt *MetadataVersion 0;
    int __size;
    _XML *__any;
};

class disc__ResolveType : public xsd__anyType
{ public:
    struct wsa__EndpointReferenceType wsa__EndpointReference 1;
    int __size;
    _XML *__any;
};

class disc__ResolveMatchType : public xsd__anyType
{ public:
    struct wsa__EndpointReferenceType wsa__EndpointReference 1;
    disc__QNameListType Types 0;
    disc__ScopesType *Scopes 0;
    disc__UriListType XAddrs 1;
    xsd__unsignedInt MetadataVersion 1;
    int __size;
    _XML *__any;
};

class disc__ResolveMatchesType : public xsd__anyType
{ public:
    disc__ResolveMatchType *ResolveMatch 0;
    int __size;
    _XML *__any;
};

class disc__SigType : public xsd__anyType
{ public:
    int __size;
    _XML *__any;
    @xsd__anyURI Scheme 1;
    @xsd__base64Binary *KeyId 0;
    @xsd__IDREFS Refs 1;
    @xsd__base64Binary Sig 1;
};

class disc__SecurityType : public xsd__anyType
{ public:
    disc__SigType *Sig 0;
};

// ---- SOAP header and fault ------------------------------------------------

struct SOAP_ENV__Header
{ mustUnderstand _wsa__MessageID wsa__MessageID 0;
  _wsa__RelatesTo *wsa__RelatesTo 0;
  _wsa__From *wsa__From 0;
  mustUnderstand _wsa__ReplyTo *wsa__ReplyTo 0;
  mustUnderstand _wsa__FaultTo *wsa__FaultTo 0;
  mustUnderstand _wsa__To wsa__To 0;
  mustUnderstand _wsa__Action wsa__Action 0;
  disc__AppSequenceType AppSequence;
};

typedef struct SOAP_ENV__Header MessageHeader;

// ---- operations -------------------------------------------------------------

//gsoap disc service method-action: Probe http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe
int __disc__Probe(disc__ProbeType *disc__Probe, void);

//gsoap v service method-action: ProbeMatches http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches
int __v__ProbeMatches(disc__ProbeMatchesType *disc__ProbeMatches, void);
//gsoap v service method-action: ResolveMatches http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches
int __v__ResolveMatches(disc__ResolveMatchesType *disc__ResolveMatches, void);
//gsoap v service method-action: Hello http://schemas.xmlsoap.org/ws/2005/04/discovery/Hello
int __v__Hello(disc__HelloType *disc__Hello, void);
