// The value text field's formatter: refuses characters outside the allowed set, text
// longer than the maximum length and numbers above the maximum value.
#import "graphics/IGraphicsCocoa.h"

@implementation CocoaFormatter

- (void)dealloc
{
  [filterCharacterSet release];
  [super dealloc];
}

- (void)setAcceptableCharacterSet:(NSCharacterSet*)characterSet
{
  [characterSet retain];
  [filterCharacterSet release];
  filterCharacterSet = characterSet;
}

- (void)setMaximumLength:(int)length
{
  maxLength = length;
}

- (void)setMaximumValue:(int)value
{
  maxValue = value;
}

- (BOOL)isPartialStringValid:(NSString*)partialString
            newEditingString:(NSString**)newString
            errorDescription:(NSString**)error
{
  if (filterCharacterSet &&
      [partialString rangeOfCharacterFromSet:[filterCharacterSet invertedSet]].location !=
          NSNotFound)
    return NO;
  if (maxLength && int([partialString length]) > maxLength) return NO;
  if (maxValue && [partialString intValue] > maxValue) return NO;
  return YES;
}

- (NSString*)stringForObjectValue:(id)object
{
  return [object isKindOfClass:[NSString class]] ? object : nil;
}

- (BOOL)getObjectValue:(id*)object forString:(NSString*)string errorDescription:(NSString**)error
{
  if (object) *object = string;
  return YES;
}

@end
