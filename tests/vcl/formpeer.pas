{ The established reader and writer of the classic form format (Free Pascal's
  Classes unit), driven by the form tests. Its classes mirror the C++ ones:
  same names, same published properties of the same kinds and defaults.

    formpeer load IN OUT     read the binary form IN, list every component's
                             published properties as ordinals, write it again
                             to OUT
    formpeer totext IN OUT   ObjectBinaryToText
    formpeer tobinary IN OUT ObjectTextToBinary }
program formpeer;

{$mode objfpc}{$H+}{$R-}

uses
  Classes, SysUtils, TypInfo;

type
  TFloppyType = (DUnknown, D360, D1200, D720, D1440);
  TRetries = 1..25;

  TDataModule = class(TComponent)
  protected
    procedure GetChildren(Proc: TGetChildProc; Root: TComponent); override;
  end;

  TZelvan = class(TComponent)
  private
    FDriveName: Char;
    FFirstSector: Cardinal;
    FSectors: Cardinal;
    FNeedDiskLock: Boolean;
    FNeedWriteWarn: Boolean;
    FRetries: TRetries;
  public
    constructor Create(AOwner: TComponent); override;
  published
    property DriveName: Char read FDriveName write FDriveName default 'C';
    property FirstSector: Cardinal read FFirstSector write FFirstSector default 0;
    property Sectors: Cardinal read FSectors write FSectors default 1;
    property NeedDiskLock: Boolean read FNeedDiskLock write FNeedDiskLock default False;
    property NeedWriteWarn: Boolean read FNeedWriteWarn write FNeedWriteWarn default True;
    property Retries: TRetries read FRetries write FRetries default 2;
  end;

  TFloppyProbe = class(TComponent)
  private
    FFloppyType: TFloppyType;
  published
    property FloppyType: TFloppyType read FFloppyType write FFloppyType default DUnknown;
  end;

procedure TDataModule.GetChildren(Proc: TGetChildProc; Root: TComponent);
var
  I: Integer;
begin
  if Root = Self then
    for I := 0 to ComponentCount - 1 do
      Proc(Components[I]);
end;

constructor TZelvan.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FDriveName := 'C';
  FSectors := 1;
  FNeedWriteWarn := True;
  FRetries := 2;
end;

{ One line per component: its name, class and each ordinal property as a
  number, unsigned 32-bit ones as unsigned. }
procedure List(C: TComponent);
var
  Props: PPropList;
  Count, I: Integer;
  Line: String;
  Value: Int64;
begin
  Line := C.Name + ': ' + C.ClassName;
  Count := GetPropList(C, Props);
  try
    for I := 0 to Count - 1 do
      if (Props^[I]^.Name <> 'Tag') and
         (Props^[I]^.PropType^.Kind in [tkInteger, tkChar, tkEnumeration, tkBool]) then
      begin
        Value := GetOrdProp(C, Props^[I]);
        if GetTypeData(Props^[I]^.PropType)^.OrdType = otULong then
          Value := Cardinal(Value);
        Line := Line + ' ' + Props^[I]^.Name + '=' + IntToStr(Value);
      end;
  finally
    FreeMem(Props);
  end;
  WriteLn(Line);
end;

procedure Load(const InName, OutName: String);
var
  Input, Output: TFileStream;
  Root: TComponent;
  I: Integer;
begin
  Input := TFileStream.Create(InName, fmOpenRead);
  try
    Root := Input.ReadComponent(nil);
  finally
    Input.Free;
  end;
  try
    List(Root);
    for I := 0 to Root.ComponentCount - 1 do
      List(Root.Components[I]);
    Output := TFileStream.Create(OutName, fmCreate);
    try
      Output.WriteComponent(Root);
    finally
      Output.Free;
    end;
  finally
    Root.Free;
  end;
end;

procedure Convert(const InName, OutName: String; ToText: Boolean);
var
  Input, Output: TFileStream;
begin
  Input := TFileStream.Create(InName, fmOpenRead);
  try
    Output := TFileStream.Create(OutName, fmCreate);
    try
      if ToText then
        ObjectBinaryToText(Input, Output)
      else
        ObjectTextToBinary(Input, Output);
    finally
      Output.Free;
    end;
  finally
    Input.Free;
  end;
end;

begin
  RegisterClasses([TDataModule, TZelvan, TFloppyProbe]);
  try
    if (ParamCount = 3) and (ParamStr(1) = 'load') then
      Load(ParamStr(2), ParamStr(3))
    else if (ParamCount = 3) and (ParamStr(1) = 'totext') then
      Convert(ParamStr(2), ParamStr(3), True)
    else if (ParamCount = 3) and (ParamStr(1) = 'tobinary') then
      Convert(ParamStr(2), ParamStr(3), False)
    else
    begin
      WriteLn(StdErr, 'usage: formpeer load|totext|tobinary IN OUT');
      Halt(2);
    end;
  except
    on E: Exception do
    begin
      WriteLn(StdErr, E.ClassName, ': ', E.Message);
      Halt(1);
    end;
  end;
end.
