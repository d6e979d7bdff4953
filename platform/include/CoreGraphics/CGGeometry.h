/* CGGeometry.h — points, sizes, rectangles and affine transforms of Quartz. */
#ifndef CGGEOMETRY_H
#define CGGEOMETRY_H

#include <CoreFoundation/CFBase.h>
#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef CGFLOAT_DEFINED
typedef double CGFloat;
#define CGFLOAT_DEFINED 1
#define CGFLOAT_IS_DOUBLE 1
#endif

struct CGPoint {
  CGFloat x;
  CGFloat y;
};
typedef struct CGPoint CGPoint;

struct CGSize {
  CGFloat width;
  CGFloat height;
};
typedef struct CGSize CGSize;

struct CGRect {
  CGPoint origin;
  CGSize size;
};
typedef struct CGRect CGRect;

struct CGAffineTransform {
  CGFloat a, b, c, d;
  CGFloat tx, ty;
};
typedef struct CGAffineTransform CGAffineTransform;

CF_EXPORT const CGAffineTransform CGAffineTransformIdentity;

CF_INLINE CGPoint CGPointMake(CGFloat x, CGFloat y) {
  CGPoint p;
  p.x = x;
  p.y = y;
  return p;
}

CF_INLINE CGSize CGSizeMake(CGFloat width, CGFloat height) {
  CGSize s;
  s.width = width;
  s.height = height;
  return s;
}

CF_INLINE CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  CGRect r;
  r.origin.x = x;
  r.origin.y = y;
  r.size.width = width;
  r.size.height = height;
  return r;
}

CF_INLINE CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                                  CGFloat ty) {
  CGAffineTransform t;
  t.a = a;
  t.b = b;
  t.c = c;
  t.d = d;
  t.tx = tx;
  t.ty = ty;
  return t;
}

CF_INLINE CGPoint CGPointApplyAffineTransform(CGPoint point, CGAffineTransform t) {
  return CGPointMake(t.a * point.x + t.c * point.y + t.tx, t.b * point.x + t.d * point.y + t.ty);
}

CF_INLINE CGSize CGSizeApplyAffineTransform(CGSize size, CGAffineTransform t) {
  return CGSizeMake(t.a * size.width + t.c * size.height, t.b * size.width + t.d * size.height);
}

/* t1 followed by t2. */
CF_INLINE CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2) {
  return CGAffineTransformMake(t1.a * t2.a + t1.b * t2.c, t1.a * t2.b + t1.b * t2.d, t1.c * t2.a + t1.d * t2.c,
                               t1.c * t2.b + t1.d * t2.d, t1.tx * t2.a + t1.ty * t2.c + t2.tx,
                               t1.tx * t2.b + t1.ty * t2.d + t2.ty);
}

#ifdef __cplusplus
}
#endif

#endif /* CGGEOMETRY_H */
